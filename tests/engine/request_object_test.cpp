// The invoice request object through IGeneralInvoiceRequest: every setter
// with a valid and an invalid value (the sample's own identifiers among
// them), rejected calls that change nothing, a finalized snapshot read by a
// result, and Finalize: one table of invoices (the sample's sections with one
// changed) and the figures each gets or the parts its refusal names (the
// arithmetic itself is balance_test's).

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "module/objects/request_object.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"
#include "tests/engine/result_sample_invoice.h"

namespace request_test {
namespace {

using com_reads::Call;
using R = IGeneralInvoiceRequest;
using Result = IGeneralInvoiceResult;

class RequestObjectTest : public RequestTest {
  protected:
    // The current content, finalized.
    std::shared_ptr<const invoice::InvoiceRequest> Finalized() {
        double difference = 0;
        EXPECT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
        return AsRequestImpl(request_.Get())->FinalizedSnapshot();
    }

    void ExpectRefused(HRESULT hr, const std::string& fragment) {
        EXPECT_EQ(E_INVALIDARG, hr);
        EXPECT_NE(std::string::npos, Abort().find(fragment)) << Abort();
    }
};

// ---------------------------------------------------------------------------
// Every setter with a valid value and an invalid one in its place; the
// sample's own identifiers, which the checks refuse, among the invalid ones.

const double kJune3 = checks::DateSerial(2020, 6, 3);

// AddService of a credit line (quantity -1) with argument I replaced by `bad`.
template <size_t I, class B>
com_reads::Setter<R> Service(B bad) {
    static long id = 0;
    return Call<I>(&R::AddService, bad, "999", "GA", "", -1.0, 1, kJune3, 0, kBillerGln, kBillerGln,
                   "Gutachten A", 2700, 1, 1, 0, 8, 0, "", "", 0, 0, &id);
}

TEST_F(RequestObjectTest, EverySetterTakesTheValidValueAndRefusesTheInvalidOne) {
    const std::string x350(350, 'x'), x351(351, 'x');
    ComPtr<IServiceExInput> input = build_.Physician("001"), bare;
    long id = 0;
    ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", bare.ReleaseAndGetAddressOf()));
    // Each setter and the start of the abort text of its invalid call.
    const std::pair<com_reads::Setter<R>, const char*> rows[] = {
        {Call<0>(&R::Initialize, 4, 3),
         "Initialize: eDataLanguage 4 is not a Language value (1, 2, 3)"},
        {Call<5>(&R::SetRequest, x351, 1, 1, "", 0, 0, x350), "SetRequest: bstrRemark"},
        {Call<1>(&R::SetTiers, "CHE-123.456.788 MWST", 1, "", 12.5), "SetTiers: bstrVatNumber"},
        {Call<2>(&R::SetEsr, "21 00000 00003 13947 14300 09018", 1, "01-162-8",
                 "21 00000 00003 13947 14300 09017", "", nullptr, nullptr, 30),
         "SetEsr: bstrReferenceNumber"},
        {Call<1>(&R::SetEsr, "01-162-9", 1, "01-162-8", kQrReference, "", nullptr, nullptr, 0),
         "SetEsr: bstrParticipantNumber"},
        {Call<3>(&R::SetEsrRed, "1\n2\n3\n4\n5", "01-162-8", kQrIban, "AB12345678", "1\n2\n3\n4",
                 nullptr, nullptr, 30),
         "SetEsrRed: bstrRemarks has more than four lines"},
        {Call<0>(&R::SetEsrQR, 6, 5, kQrIban, kQrReference, "Danke", nullptr, nullptr, 30),
         "SetEsrQR: eEsrType 6 is not a type of QR bill with reference"},
        // The sample pairs a normal IBAN with a QR reference; the normal IBAN
        // goes with a creditor reference.
        {Call<2>(&R::SetEsrQR, "154530000000000000010000018", 4, "CH5800791123000889012",
                 "RF18539007547034", "", nullptr, nullptr, 30),
         "SetEsrQR: bstrIBAN and bstrReferenceNumber IBAN CH5800791123000889012 is not a QR-IBAN"},
        {Call<6>(&R::SetEsrQR, 1000, 4, kQrIban, kQrReference, "", nullptr, nullptr, 999),
         "SetEsrQR: lPaymentPeriod 1000 is outside 0 to 999"},
        {Call<0>(&R::SetEsrRedQR, kQrIban, "CH5800791123000889012", "", "", nullptr, nullptr, 30),
         "SetEsrRedQR: bstrIBAN the QR-IBAN"},
        {Call<0>(&R::SetBiller, "2000000000002", kBillerGln, "C000002", "", "Allgemein", nullptr),
         "SetBiller: bstrEAN the check digit of GLN 2000000000002 is wrong"},
        {Call<1>(&R::SetBiller, "c000002", kBillerGln, "", "", "", nullptr), "SetBiller: bstrZSR"},
        {Call<2>(&R::SetPatient, "7560000000011", 2, kJune3, kPatientSsn, nullptr),
         "SetPatient: bstrSSN the check digit of AHV number"},
        {Call<0>(&R::AddDocument, 0, 1, "https://example.org/x.png", "B", "application/pdf"),
         "AddDocument: bstrSource \"https://example.org/x.png\" is not an existing file"},
        {Service<11>(0), "AddService: dUnitFactor must be greater than 0"},
        {Service<3>(std::numeric_limits<double>::quiet_NaN()), "AddService: dQuantity"},
        // A consultation on the last body side, with no units and the smallest
        // factors, of an input without a physician.
        {Call<0>(&R::AddServiceEx, bare.Get(), input.Get(), "001", "00.0010", "", 1, 1, kJune3, 0,
                 3, "K", 0, 0.01, 0.01, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, &id),
         "AddServiceEx: pIServiceExInput provider EAN"},
    };
    for (const auto& [call, refusal] : rows) {
        EXPECT_EQ(S_OK, call(request_.Get(), &status_, true)) << Abort();
        EXPECT_EQ(VARIANT_TRUE, status_) << refusal;
        EXPECT_EQ(E_INVALIDARG, call(request_.Get(), &status_, false)) << refusal;
        EXPECT_EQ(0u, Abort().find(refusal)) << Abort();
        EXPECT_EQ(E_POINTER, call(request_.Get(), nullptr, true)) << refusal;
    }
}

// ---------------------------------------------------------------------------
// What reaches the invoice: the accepted calls as made (addresses copied at
// the time of the call, payment numbers normalised, extras on `service`
// records only), nothing of the refused ones; Initialize empties it. A
// result over a snapshot reads it through later changes and the end of the
// request and its manager.

TEST_F(RequestObjectTest, RejectedCallsChangeNothingAndAcceptedOnesAreKept) {
    build_.SetSampleSections("SetEsrQR");
    build_.AddSampleServices();  // 1: a record of AddServiceEx, 2 to 5 of AddService
    ComPtr<IAddress> other = build_.Person("Anders", "Otto");
    ASSERT_EQ(S_OK, request_->SetBiller(kRecipientGln, "C000003", "", "X", other.Get(), &status_));
    ASSERT_EQ(S_OK, request_->SetGuarantor(other.Get(), &status_));
    ASSERT_EQ(S_OK, other->SetPerson("Später", "Anna", "", "", "", &status_));
    ASSERT_EQ(S_OK, request_->SetEsr(1, "010001628", kQrReference, "", build_.Company("B").Get(),
                                     build_.Company("C").Get(), 30, &status_))
        << Abort();
    ASSERT_EQ(S_OK, request_->SetXtraDrug(2, 1, "B", 2, 5, 1, &status_)) << Abort();
    auto first = Finalized();
    ASSERT_TRUE(first);
    ComPtr<Result> result = result_test::ResultOver(first);
    // Each call has one bad value among good ones; the snapshot stays.
    ExpectRefused(request_->SetBiller(kBillerGln, "C00003", "", "X", other.Get(), &status_),
                  "SetBiller: bstrZSR");
    ExpectRefused(
        request_->SetPatient(1, Day(1960, 1, 1), "", build_.Company("AG").Get(), &status_),
        "SetPatient: pIAddress is a company's address");
    long id = 0;
    ExpectRefused(request_->AddService("999", "Z", "", 1, 0, kJune3, 0, kBillerGln, kBillerGln, "Z",
                                       1, 1, 1, 0, 0, 1, "", "", 0, 0, &id, &status_),
                  "AddService: lSessionNumber 0 is outside");
    ExpectRefused(request_->SetXtraDrug(2, 1, "F", 1, 0, 0, &status_), "SetXtraDrug: bstrIOCM");
    EXPECT_EQ(E_FAIL, request_->SetXtraDrug(1, 1, "B", 2, 5, 1, &status_));
    EXPECT_NE(std::string::npos, Abort().find("is a record of AddServiceEx")) << Abort();
    ComPtr<IServiceExInput> input;  // of a tariff that does not exist
    EXPECT_EQ(E_INVALIDARG, request_->GetCreateServiceExInput("1", input.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(input);
    EXPECT_EQ(first, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    // An accepted change drops the snapshot; the old one stays as it was.
    build_.AddArticle("Y", 1, 7.0, 0, 1);
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    EXPECT_EQ(5u, first->services.size());

    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ(std::string(kRecipientGln) + "|C000003|Anders|Spitzkiel|6",
              invoice->biller->ean + "|" + invoice->biller->zsr + "|" +
                  invoice->guarantor->address->person.familyname + "|" +
                  invoice->patient->address->person.familyname + "|" +
                  std::to_string(invoice->services.size()));
    ASSERT_EQ(S_OK, request_->Initialize(2, &status_));
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("biller (SetBiller)")) << Abort();

    request_ = nullptr;
    module_.request = nullptr;
    module_.manager = nullptr;
    EXPECT_EQ(
        "ok|999|GA||1|1|43985|0|2000000000008|7601000000026|Artikel GA|2700|1|1|2700|7.7|0|"
        "||0|0|2|T",
        com_reads::Read(result.Get(), &Result::GetFirstService));
    EXPECT_EQ("ok|1|B|2|5|1|T", com_reads::Read(result.Get(), &Result::GetXtraDrug, 2));
    EXPECT_EQ(0u,
              com_reads::Read(result.Get(), &Result::GetEsr)
                  .find("ok|1|01-162-8|21 00000 00003 13947 14300 09017||{ok|2;ok||||||F;ok|B|"));
}

// ---------------------------------------------------------------------------
// Finalize

using Q = IGeneralInvoiceRequest*;
using B = InvoiceBuilder;

struct FinalizeRow {
    // Follows the sample's sections, then an article of 5.00; null: no
    // sections at all.
    std::function<void(Q, B&)> change;
    std::string balance;             // of the snapshot; "" when refused
    std::vector<const char*> found;  // in the refusal
};

TEST(FinalizeTableTest, FiguresOfEachInvoiceOrThePartsItsRefusalNames) {
    static VARIANT_BOOL s = 0;
    const char* missing = "Finalize: the request is incomplete, missing: ";
    const FinalizeRow rows[] = {
        // 100.01 + 5 + 5 - 50 = 60.01
        {[](Q r, B& b) {
             r->SetTiers(1, "CHE-123.456.788", 50.0, &s);
             r->SetReminder("R-1", Day(2020, 7, 3), 1593777600, 2, "Bitte zahlen", 5.0, &s);
             b.AddArticle("Y", 1, 100.01, 0, 1);
         },
         "reminder 105.01 105.01 50 5 60 -0.01 0 | 0: 105.01 0 CHE-123.456.788",
         {}},
        // MT only, with the input's external factor: 2 x 9.57 x 0.89 x 0.9 =
        // 15.33114 (the TT part, 2 x 8.19 x 0.89, is not billed).
        {[](Q r, B& b) {
             ComPtr<IServiceExInput> input = b.Physician("001", 1);
             input->PutExternalFactor_MT(0.9);
             long id = 0;
             r->AddServiceEx(input.Get(), "001", "00.0010", "", 2.0, 1, Day(2020, 6, 3), 0, 1,
                             "Konsultation", 9.57, 0.89, 1.0, 0, 8.19, 0.89, 1.0, 0, 0, 0, 1, "", 1,
                             "", 0, 0, &id, &s);
         },
         "invoice 20.33 20.33 0 0 20.35 0.02 0 | 0: 20.33 0 ",
         {}},
        // Not required by the KVG.
        {[](Q r, B& b) {
             r->SetPatient(2, Day(1957, 4, 14), "", b.Person("Muster", "Anna").Get(), &s);
             r->SetLaw(1, 0, "", "", &s);
         },
         "invoice 5 5 0 0 5 0 0 | 0: 5 0 ",
         {}},
        // 8.1 applies from 2024 on, the sample is dated 2020-06-03.
        {[](Q, B& b) { b.AddArticle("GA", 1.0, 100.0, 8.1, 0); },
         "",
         {"Finalize: service record 1 (tariff 999, code GA): VAT rate 8.1 is not a Swiss VAT "
          "rate on 2020-06-03 (0, 2.5, 3.7 or 7.7)"}},
        {[](Q, B& b) { b.AddArticle("GA", 2, 6.15, 0, 1, 12.50); },
         "",
         {"Finalize: service record 1 (tariff 999, code GA): amount 12.50 differs from the "
          "computed amount 12.30"}},
        {nullptr,
         "",
         {missing, "transport (SetTransport)", "invoice id and date (SetInvoice)",
          "biller (SetBiller)", "patient (SetPatient)", "law (SetLaw)", "treatment (SetTreatment)",
          "at least one service", "tiers mode (SetTiers)", "payment slip (SetEsr",
          "role and place (SetRequest)", "debitor (SetDebitor)", "provider (SetProvider)",
          "guarantor (SetGuarantor)"}},
        {[](Q r, B&) { r->SetTiers(2, "", 0, &s); }, "", {missing, "insurance (SetInsurance)"}},
        {[](Q r, B&) {
             ComPtr<IAddress> nameless;
             r->GetCreateAddress(nameless.ReleaseAndGetAddressOf());
             r->SetBiller(kBillerGln, "", "", "", nullptr, &s);
             r->SetGuarantor(nameless.Get(), &s);
         },
         "",
         {missing, "address of the biller (SetBiller)",
          "address of the guarantor: name of a person or company (SetGuarantor)",
          "address of the guarantor: zip (SetGuarantor)"}},
        {[](Q r, B& b) {
             r->SetPatient(2, Day(1957, 4, 14), "", b.Person("Muster", "Anna").Get(), &s);
         },
         "",
         {missing, "required by the mvg law"}},
    };
    for (const FinalizeRow& row : rows) {
        TestModule module;
        InvoiceBuilder build(module.request.Get());
        if (row.change) {
            build.SetSampleSections();
            row.change(module.request.Get(), build);
            build.AddArticle("X", 1, 5.0, 0, 1);
        }
        double difference = -1;
        VARIANT_BOOL status = 0;
        const HRESULT hr = module.request->Finalize(&difference, &status);
        const std::string text = build.Abort();
        auto invoice = AsRequestImpl(module.request.Get())->FinalizedSnapshot();
        EXPECT_EQ(row.balance.empty() ? E_FAIL : S_OK, hr) << text;
        ASSERT_EQ(row.balance.empty(), invoice == nullptr) << text;
        if (invoice) {
            EXPECT_EQ(row.balance, std::string(invoice::SchemaText(invoice->payload_type())) + " " +
                                       result_test::BalanceText(invoice->balance));
            EXPECT_NEAR(std::stod(invoice->balance.round_difference.ToString()), difference, 1e-9);
        }
        for (const char* part : row.found) EXPECT_NE(std::string::npos, text.find(part)) << text;
    }
}

}  // namespace
}  // namespace request_test
