// The sample invoice built through IGeneralInvoiceRequest, finalized, and
// read back through IGeneralInvoiceResult.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/objects/request_object.h"
#include "module/objects/result_factory.h"
#include "tests/engine/request_sample_invoice.h"

namespace request_test {
namespace {

class RequestRoundTripTest : public RequestTest {
  protected:
    void SetUp() override {
        RequestTest::SetUp();
        build_.SetSampleSections();
        build_.AddSampleServices();
        double difference = 0;
        ASSERT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
        ASSERT_EQ(S_OK, CreateInvoiceResult(AsRequestImpl(request_.Get())->FinalizedSnapshot(),
                                            result_.ReleaseAndGetAddressOf()));
    }

    // The codes of the `service` records in reading order.
    std::vector<std::string> ServiceCodes() {
        std::vector<std::string> codes;
        BSTR tariff, code, ref, provider, responsible, text, remark, section;
        double quantity, unit, factor, external, amount, vat;
        long session, obligatory, ignore, attributes, id;
        DATE begin, end;
        VARIANT_BOOL status;
        HRESULT hr = result_->GetFirstService(&tariff, &code, &ref, &quantity, &session, &begin,
                                              &end, &provider, &responsible, &text, &unit, &factor,
                                              &external, &amount, &vat, &obligatory, &remark,
                                              &section, &ignore, &attributes, &id, &status);
        while (hr == S_OK) {
            codes.push_back(code + "#" + std::to_string(id));
            hr = result_->GetNextService(&tariff, &code, &ref, &quantity, &session, &begin, &end,
                                         &provider, &responsible, &text, &unit, &factor, &external,
                                         &amount, &vat, &obligatory, &remark, &section, &ignore,
                                         &attributes, &id, &status);
        }
        EXPECT_EQ(S_FALSE, hr);
        return codes;
    }

    ComPtr<IGeneralInvoiceResult> result_;
};

TEST_F(RequestRoundTripTest, BalanceAndVatLinesReadBack) {
    double amount, obligatory, prepaid, reminder, due, vat;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK,
              result_->GetBalance(&amount, &obligatory, &prepaid, &reminder, &due, &vat, &status));
    EXPECT_DOUBLE_EQ(5232.99, amount);
    EXPECT_DOUBLE_EQ(17.76, obligatory);
    EXPECT_DOUBLE_EQ(0.0, prepaid);
    EXPECT_DOUBLE_EQ(5233.00, due);
    EXPECT_DOUBLE_EQ(254.02, vat);

    std::vector<std::pair<double, double>> lines;
    double line_vat = 0, rate = 0;
    HRESULT hr = result_->GetFirstVat(&line_vat, &rate, &status);
    while (hr == S_OK) {
        lines.emplace_back(rate, line_vat);
        hr = result_->GetNextVat(&line_vat, &rate, &status);
    }
    ASSERT_EQ(3u, lines.size());
    EXPECT_DOUBLE_EQ(2.5, lines[1].first);
    EXPECT_DOUBLE_EQ(60.98, lines[1].second);
    EXPECT_DOUBLE_EQ(193.04, lines[2].second);
}

TEST_F(RequestRoundTripTest, ServiceAndServiceExRecordsReadSeparately) {
    EXPECT_EQ((std::vector<std::string>{"GA#2", "GB#3", "123456789#4", "1234567890#5"}),
              ServiceCodes());
}

TEST_F(RequestRoundTripTest, PartiesAndPaymentReadBack) {
    BSTR ean, zsr, nif, specialty;
    ComPtr<IAddress> address;
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, result_->GetBiller(&ean, &zsr, &nif, &specialty,
                                       address.ReleaseAndGetAddressOf(), &status));
    EXPECT_EQ(kBillerGln, ean);
    EXPECT_EQ("C000002", zsr);
    EXPECT_EQ("Allgemein", specialty);
    ASSERT_TRUE(address);
    BSTR family, given, salutation, title, sub;
    ASSERT_EQ(S_OK, address->GetPerson(&family, &given, &salutation, &title, &sub, &status));
    EXPECT_EQ("Mandant.tarmed", family);

    long type = 0, period = 0;
    BSTR iban, reference, note;
    ComPtr<IAddress> bank, creditor;
    ASSERT_EQ(S_OK,
              result_->GetEsrQR(&type, &iban, &reference, &note, bank.ReleaseAndGetAddressOf(),
                                creditor.ReleaseAndGetAddressOf(), &period, &status));
    EXPECT_EQ(4, type);
    EXPECT_EQ(kQrIban, iban);
    EXPECT_EQ(kQrReference, reference);
    EXPECT_EQ(30, period);
    EXPECT_TRUE(bank);
    EXPECT_TRUE(creditor);
}

}  // namespace
}  // namespace request_test
