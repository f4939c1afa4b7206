#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "module/objects/request_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/result_sample_invoice.h"

// From request to result: the sample invoice built through
// IGeneralInvoiceRequest, finalized, and read back through an
// IGeneralInvoiceResult over the request's finalized snapshot.

namespace {

using namespace result_test;

constexpr const char* kPatientSsn = "7569217076985";

class ResultOfRequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        void* raw = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                         &raw));
        manager_.Attach(static_cast<ITarvos*>(raw));
        ASSERT_EQ(S_OK, manager_->GetGeneralInvoiceRequest(request_.ReleaseAndGetAddressOf()));
    }

    std::string Abort() {
        BSTR text;
        VARIANT_BOOL status = 0;
        EXPECT_EQ(S_OK, request_->GetAbortInfo(&text, &status));
        return text;
    }

    ComPtr<IAddress> Person(const std::string& family, const std::string& given,
                            const std::string& phone) {
        ComPtr<IAddress> address;
        EXPECT_EQ(S_OK, request_->GetCreateAddress(address.ReleaseAndGetAddressOf()));
        EXPECT_EQ(S_OK, address->SetPerson(family, given, "Frau", "", "", &status_));
        EXPECT_EQ(S_OK, address->SetPostal("", "", "0000", "Unbekannt", "", "CH", &status_));
        if (!phone.empty()) {
            EXPECT_EQ(S_OK, address->AddPhone(phone, "", "", "", &status_));
        }
        return address;
    }

    void SetSections() {
        ASSERT_EQ(S_OK, request_->Initialize(1, &status_)) << Abort();
        ASSERT_EQ(S_OK, request_->SetRequest(1, 1, "", 0, 0, "", &status_)) << Abort();
        ASSERT_EQ(S_OK, request_->SetTransport(kBillerGln, "", "", kRecipientGln, kRecipientGln, "",
                                               &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetPackage("Elexis", 380, 0, "", &status_)) << Abort();
        ASSERT_EQ(S_OK, request_->SetInvoice("000001000001", kInvoiceDay, 1591170775, &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetTiers(1, "", 0, &status_)) << Abort();
        ComPtr<IAddress> mandant = Person("Mandant.tarmed", "Mandant.tarmed", "");
        ComPtr<IAddress> patient = Person("Spitzkiel", "Beatrice", "555 55 55");
        ASSERT_EQ(S_OK, request_->SetBiller(kBillerGln, "C000002", "", "Allgemein", mandant.Get(),
                                            &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetProvider(kBillerGln, "C000002", "", "Allgemein", mandant.Get(),
                                              &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetDebitor(kRecipientGln, patient.Get(), &status_)) << Abort();
        ASSERT_EQ(S_OK, request_->SetPatient(2, kBirthday, kPatientSsn, patient.Get(), &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetGuarantor(patient.Get(), &status_)) << Abort();
        ComPtr<IAddress> bank;
        ASSERT_EQ(S_OK, request_->GetCreateAddress(bank.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, bank->SetCompany("Test Bank", "", "", &status_));
        ASSERT_EQ(S_OK, bank->SetPostal("Bankweg 1", "", "2501", "Biel", "", "CH", &status_));
        ASSERT_EQ(S_OK, request_->SetEsrQR(4, kQrIban, kQrReference, "", bank.Get(), mandant.Get(),
                                           30, &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->SetLaw(4, 0, "123456", "123456", &status_)) << Abort();
        ASSERT_EQ(S_OK,
                  request_->SetTreatment("", "", kInvoiceDay, kInvoiceDay, 1, 1, 1, 0, &status_))
            << Abort();
        ASSERT_EQ(S_OK, request_->AddDiagnosis(4, "A1", "", &status_)) << Abort();
    }

    long AddArticle(const std::string& code, double quantity, double unit, double vat_rate) {
        long id = 0;
        EXPECT_EQ(S_OK, request_->AddService("999", code, "", quantity, 1, kInvoiceDay, 0,
                                             kBillerGln, kBillerGln, "Artikel " + code, unit, 1.0,
                                             1.0, 0.0, vat_rate, 0, "", "", 0, 0, &id, &status_))
            << Abort();
        return id;
    }

    void AddServices() {
        ComPtr<IServiceExInput> input;
        ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", input.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, input->SetPhysician(1, 3, kBillerGln, kBillerGln, &status_));
        long id = 0;
        ASSERT_EQ(S_OK,
                  request_->AddServiceEx(input.Get(), "001", "00.0010", "", 1.0, 1, kInvoiceDay, 0,
                                         1, "Konsultation", 9.57, 1.0, 1.0, 0.0, 8.19, 1.0, 1.0,
                                         0.0, 0.0, 0.0, 1, "", 1, "", 0, 0, &id, &status_))
            << Abort();
        EXPECT_EQ(1, id);
        EXPECT_EQ(2, AddArticle("GA", 1.0, 2700.0, 7.7));
        EXPECT_EQ(3, AddArticle("GB", 1.0, 2500.0, 2.5));
        EXPECT_EQ(4, AddArticle("123456789", 1.0, 10.15, 0.0));
        EXPECT_EQ(5, AddArticle("1234567890", 0.5, 10.15, 0.0));
        ASSERT_EQ(S_OK, request_->SetXtraDrug(4, 1, "B", 2, 3, 0, &status_)) << Abort();
    }

    // Builds and finalizes the sample; the result over its snapshot.
    ComPtr<IGeneralInvoiceResult> FinalizedResult() {
        SetSections();
        AddServices();
        double round_difference = -1;
        EXPECT_EQ(S_OK, request_->Finalize(&round_difference, &status_)) << Abort();
        EXPECT_NEAR(0.01, round_difference, 1e-9);
        CGeneralInvoiceRequest* impl = AsRequestImpl(request_.Get());
        EXPECT_NE(nullptr, impl);
        if (impl == nullptr) return nullptr;
        EXPECT_TRUE(impl->IsFinalized());
        return ResultOver(impl->FinalizedSnapshot());
    }

    ComPtr<ITarvos> manager_;
    ComPtr<IGeneralInvoiceRequest> request_;
    VARIANT_BOOL status_ = 0;
};

TEST_F(ResultOfRequestTest, ReadsBackTheBalanceAndVatOfTheSample) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    double amount, obligatory, prepaid, reminder, due, vat;
    ASSERT_EQ(S_OK,
              result->GetBalance(&amount, &obligatory, &prepaid, &reminder, &due, &vat, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(5232.99, amount);
    EXPECT_EQ(17.76, obligatory);
    EXPECT_EQ(0.0, prepaid);
    EXPECT_EQ(0.0, reminder);
    EXPECT_EQ(5233.0, due);
    EXPECT_EQ(254.02, vat);

    std::vector<std::pair<double, double>> lines;
    double line_vat = 0, rate = 0;
    for (HRESULT hr = result->GetFirstVat(&line_vat, &rate, &status_); hr == S_OK;
         hr = result->GetNextVat(&line_vat, &rate, &status_)) {
        lines.emplace_back(rate, line_vat);
    }
    EXPECT_EQ((std::vector<std::pair<double, double>>{{0.0, 0.0}, {2.5, 60.98}, {7.7, 193.04}}),
              lines);
}

TEST_F(ResultOfRequestTest, ReadsBackServicesWithTheirComputedAmounts) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    BSTR tariff, code, ref, provider, responsible, text, remark, section;
    double quantity, unit, factor, external, amount, vat_rate;
    long session, obligatory, ignore, attributes, id;
    DATE begin, end;
    std::vector<std::pair<long, double>> records;
    for (HRESULT hr = result->GetFirstService(&tariff, &code, &ref, &quantity, &session, &begin,
                                              &end, &provider, &responsible, &text, &unit, &factor,
                                              &external, &amount, &vat_rate, &obligatory, &remark,
                                              &section, &ignore, &attributes, &id, &status_);
         hr == S_OK; hr = result->GetNextService(
                         &tariff, &code, &ref, &quantity, &session, &begin, &end, &provider,
                         &responsible, &text, &unit, &factor, &external, &amount, &vat_rate,
                         &obligatory, &remark, &section, &ignore, &attributes, &id, &status_)) {
        records.emplace_back(id, amount);
        EXPECT_EQ("999", tariff);
        EXPECT_EQ(kBillerGln, provider);
        EXPECT_EQ(kInvoiceDay, begin);
    }
    EXPECT_EQ(
        (std::vector<std::pair<long, double>>{{2, 2700.0}, {3, 2500.0}, {4, 10.15}, {5, 5.08}}),
        records);

    long indicated, delivery, regulation, limitation;
    BSTR iocm;
    ASSERT_EQ(S_OK, result->GetXtraDrug(4, &indicated, &iocm, &delivery, &regulation, &limitation,
                                        &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(1, indicated);
    EXPECT_EQ("B", iocm);
    EXPECT_EQ(2, delivery);
    EXPECT_EQ(3, regulation);
    EXPECT_EQ(0, limitation);
}

TEST_F(ResultOfRequestTest, ReadsBackTheExtendedRecord) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    BSTR tariff, code, ref, text, remark, section, provider, responsible;
    double quantity, unit_mt, factor_mt, scale_mt, amount_mt, unit_tt, factor_tt, scale_tt,
        amount_tt, amount, vat_rate, external_mt, external_tt;
    long session, side, obligatory, group, ignore, attributes, treatment, billing, medical, id;
    DATE begin, end;
    ASSERT_EQ(S_OK, result->GetFirstServiceEx(
                        &tariff, &code, &ref, &quantity, &session, &begin, &end, &side, &text,
                        &unit_mt, &factor_mt, &scale_mt, &amount_mt, &unit_tt, &factor_tt,
                        &scale_tt, &amount_tt, &amount, &vat_rate, &obligatory, &remark, &group,
                        &section, &ignore, &attributes, &treatment, &external_mt, &external_tt,
                        &provider, &responsible, &billing, &medical, &id, &status_));
    EXPECT_EQ(1, id);
    EXPECT_EQ("00.0010", code);
    EXPECT_EQ(9.57, amount_mt);
    EXPECT_EQ(8.19, amount_tt);
    EXPECT_EQ(17.76, amount);
    EXPECT_EQ(1, obligatory);
    EXPECT_EQ(3, billing);  // both
    EXPECT_EQ(1, medical);  // self-employed
    EXPECT_EQ(kBillerGln, provider);
    EXPECT_EQ(S_FALSE, result->GetNextServiceEx(
                           &tariff, &code, &ref, &quantity, &session, &begin, &end, &side, &text,
                           &unit_mt, &factor_mt, &scale_mt, &amount_mt, &unit_tt, &factor_tt,
                           &scale_tt, &amount_tt, &amount, &vat_rate, &obligatory, &remark, &group,
                           &section, &ignore, &attributes, &treatment, &external_mt, &external_tt,
                           &provider, &responsible, &billing, &medical, &id, &status_));
}

TEST_F(ResultOfRequestTest, ReadsBackPartiesAndPayment) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    long sex = 0;
    DATE birthdate = 0;
    BSTR ssn;
    ComPtr<IAddress> address;
    ASSERT_EQ(S_OK, result->GetPatient(&sex, &birthdate, &ssn, address.ReleaseAndGetAddressOf(),
                                       &status_));
    EXPECT_EQ(2, sex);
    EXPECT_EQ(kBirthday, birthdate);
    EXPECT_EQ(kPatientSsn, ssn);
    invoice::Address patient = PersonAddress("Spitzkiel", "Beatrice");
    patient.phones.push_back({"555 55 55", "", "", ""});
    ExpectAddress(address.Get(), patient);

    long type = 0, period = 0;
    BSTR iban, reference, note;
    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK, result->GetEsrQR(&type, &iban, &reference, &note, bank.ReleaseAndGetAddressOf(),
                                     creditor.ReleaseAndGetAddressOf(), &period, &status_));
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(4, type);
    EXPECT_EQ(kQrIban, iban);
    EXPECT_EQ(kQrReference, reference);
    EXPECT_EQ(30, period);
    ExpectAddress(bank.Get(), BankAddress());
    ExpectAddress(creditor.Get(), PersonAddress("Mandant.tarmed", "Mandant.tarmed"));
}

TEST_F(ResultOfRequestTest, LaterChangesToTheRequestDoNotReachTheResult) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    ASSERT_EQ(S_OK, request_->SetInvoice("999999", kInvoiceDay + 1, 1591170776, &status_));
    EXPECT_FALSE(AsRequestImpl(request_.Get())->IsFinalized());
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());

    BSTR id;
    DATE date = 0;
    long timestamp = 0;
    ASSERT_EQ(S_OK, result->GetInvoice(&id, &date, &timestamp, &status_));
    EXPECT_EQ("000001000001", id);
    EXPECT_EQ(kInvoiceDay, date);
    EXPECT_EQ(1591170775, timestamp);
}

TEST_F(ResultOfRequestTest, ResultOutlivesItsRequestAndManager) {
    ComPtr<IGeneralInvoiceResult> result = FinalizedResult();
    ASSERT_TRUE(result);
    request_ = nullptr;
    manager_ = nullptr;
    long language = 0, role = 0, place = 0, storno = 0, copy = 0;
    BSTR title, remark;
    ASSERT_EQ(S_OK, result->GetRequest(&language, &role, &place, &title, &storno, &copy, &remark,
                                       &status_));
    EXPECT_EQ(1, language);
    EXPECT_EQ(1, role);
    EXPECT_EQ(1, place);
}

}  // namespace
