// The invoice request object through IGeneralInvoiceRequest: every setter
// with a valid and an invalid value (the sample's own identifiers among
// them), rejected calls that change nothing, and a finalized snapshot read
// by a result.

#include <gtest/gtest.h>

#include <limits>
#include <string>

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
const std::string kRef = "210000000003139471430009017";
const double kNan = std::numeric_limits<double>::quiet_NaN();

// AddService of a credit line (quantity -1) with argument I replaced by `bad`.
template <size_t I, class B>
com_reads::Setter<R> Service(B bad) {
    static long id = 0;
    return Call<I>(&R::AddService, bad, "999", "GA", "", -1.0, 1, kJune3, 0, kBillerGln, kBillerGln,
                   "Gutachten A", 2700, 1, 1, 0, 8, 0, "", "", 0, 0, &id);
}

// AddServiceEx of a consultation of `input` on the last body side, with no
// units and the smallest factors, argument I replaced by `bad`.
template <size_t I, class B>
com_reads::Setter<R> ServiceEx(IServiceExInput* input, B bad) {
    static long id = 0;
    return Call<I>(&R::AddServiceEx, bad, input, "001", "00.0010", "", 1, 1, kJune3, 0, 3, "K", 0,
                   0.01, 0.01, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, &id);
}

struct SetterRow {
    com_reads::Setter<R> call;
    const char* refusal;  // the start of the abort text of the invalid call
};

TEST_F(RequestObjectTest, EverySetterTakesTheValidValueAndRefusesTheInvalidOne) {
    const std::string x350(350, 'x'), x351(351, 'x');
    ComPtr<IServiceExInput> input = build_.Physician("001"), bare;
    ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", bare.ReleaseAndGetAddressOf()));
    const SetterRow rows[] = {
        {Call<0>(&R::Initialize, 4, 3),
         "Initialize: eDataLanguage 4 is not a Language value (1, 2, 3)"},
        {Call<5>(&R::SetRequest, x351, 1, 1, "", 0, 0, x350), "SetRequest: bstrRemark"},
        {Call<1>(&R::SetTiers, "CHE-123.456.788 MWST", 1, "", 12.5), "SetTiers: bstrVatNumber"},
        {Call<2>(&R::SetEsr, "21 00000 00003 13947 14300 09018", 1, "01-162-8",
                 "21 00000 00003 13947 14300 09017", "", nullptr, nullptr, 30),
         "SetEsr: bstrReferenceNumber"},
        {Call<1>(&R::SetEsr, "01-162-9", 1, "01-162-8", kRef, "", nullptr, nullptr, 0),
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
        {Service<3>(kNan), "AddService: dQuantity"},
        {ServiceEx<0>(input.Get(), bare.Get()), "AddServiceEx: pIServiceExInput provider EAN"},
    };
    for (const SetterRow& row : rows) {
        EXPECT_EQ(S_OK, row.call(request_.Get(), &status_, true)) << Abort();
        EXPECT_EQ(VARIANT_TRUE, status_) << row.refusal;
        EXPECT_EQ(E_INVALIDARG, row.call(request_.Get(), &status_, false)) << row.refusal;
        EXPECT_EQ(0u, Abort().find(row.refusal)) << Abort();
        EXPECT_EQ(E_POINTER, row.call(request_.Get(), nullptr, true)) << row.refusal;
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
    ASSERT_EQ(S_OK, request_->SetEsr(1, "010001628", kRef, "", build_.Company("B").Get(),
                                     build_.Company("C").Get(), 30, &status_))
        << Abort();
    ASSERT_EQ(S_OK, request_->SetXtraDrug(2, 1, "B", 2, 5, 1, &status_)) << Abort();
    auto first = Finalized();
    ComPtr<Result> result = result_test::ResultOver(first);
    // Each call has one bad value among good ones; the snapshot stays.
    ExpectRefused(request_->SetBiller(kBillerGln, "C00003", "", "X", other.Get(), &status_),
                  "SetBiller: bstrZSR");
    ExpectRefused(
        request_->SetPatient(1, Day(1960, 1, 1), "", build_.Company("AG").Get(), &status_),
        "SetPatient: pIAddress is a company's address");
    long id = 42;
    ExpectRefused(request_->AddService("999", "Z", "", 1, 0, kJune3, 0, kBillerGln, kBillerGln, "Z",
                                       1, 1, 1, 0, 0, 1, "", "", 0, 0, &id, &status_),
                  "AddService: lSessionNumber 0 is outside");
    EXPECT_EQ(42, id);
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
    EXPECT_EQ(invoice::TiersMode::kGarant, invoice->tiers->mode);
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

}  // namespace
}  // namespace request_test
