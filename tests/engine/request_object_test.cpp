// The invoice request object through IGeneralInvoiceRequest: every setter
// with a valid and an invalid value (the sample's own identifiers among
// them), rejected calls that change nothing, records and their ids.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "module/objects/request_factory.h"
#include "module/objects/request_object.h"
#include "tests/engine/com_reads.h"
#include "tests/engine/request_sample_invoice.h"

namespace request_test {
namespace {

using com_reads::Call;
using R = IGeneralInvoiceRequest;

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
const double kInf = std::numeric_limits<double>::infinity();

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
        {Call<0>(&R::SetRequest, 0, 21, 5, "Dr.", 1, 1, "x"),
         "SetRequest: eRoleType 0 is not a RoleType value"},
        {Call<3>(&R::SetRequest, 2, 1, 1, "", 0, 1, ""),
         "SetRequest: eIsStorno 2 is not a YesNo value"},
        {Call<5>(&R::SetRequest, x351, 1, 1, "", 0, 0, x350), "SetRequest: bstrRemark"},
        {Call<2>(&R::SetProcessing, std::string(101, 't'), 1, 1, std::string(100, 't')),
         "SetProcessing: bstrTCToken"},
        {Call<1>(&R::SetTransport, "/no/such/key.p12", kBillerGln, "", "", "", kRecipientGln, ""),
         "SetTransport: bstrFromPFXFile \"/no/such/key.p12\" is not an existing file"},
        {Call<0>(&R::SetTransport, "2000000000002", kBillerGln, "", "", "", kRecipientGln, ""),
         "SetTransport: bstrFromEAN"},
        {Call<3>(&R::SetTransport, "7601000000018", kBillerGln, "", "", "7601000000019",
                 kRecipientGln, ""),
         "SetTransport: bstrViaEAN"},
        {Call<0>(&R::SetPackage, "", "P", 1, 0, ""), "SetPackage: bstrSoftwarePackage"},
        {Call<1>(&R::SetPackage, -1, "P", 0, 7, "(c)"),
         "SetPackage: lSoftwareVersion -1 is outside"},
        {Call<2>(&R::SetCredit, 1000, "C1", kJune3, 1591170775),
         "SetCredit: lRequestCreditTimestamp the timestamp 1000 is outside"},
        {Call<0>(&R::SetInvoice, std::string(36, '1'), std::string(35, '1'), kJune3, 0),
         "SetInvoice: bstrRequestInvoiceID"},
        {Call<1>(&R::SetInvoice, 0, "I1", kJune3, 0),
         "SetInvoice: dRequestInvoiceDate a date is required"},
        {Call<3>(&R::SetReminder, 4, "R1", kJune3, 0, 3, "", 10),
         "SetReminder: lReminderLevel the reminder level 4 is not 1, 2 or 3"},
        {Call<5>(&R::SetReminder, -5, "R1", kJune3, 0, 1, "", 0), "SetReminder: dAmountReminder"},
        {Call<0>(&R::SetTiers, 3, 2, "CHE-123.456.788", 0),
         "SetTiers: eTiersMode 3 is not a TiersMode value (1, 2)"},
        {Call<1>(&R::SetTiers, "CHE-123.456.788 MWST", 1, "", 12.5), "SetTiers: bstrVatNumber"},
        {Call<2>(&R::SetEsr, "21 00000 00003 13947 14300 09018", 1, "01-162-8",
                 "21 00000 00003 13947 14300 09017", "", nullptr, nullptr, 30),
         "SetEsr: bstrReferenceNumber"},
        {Call<0>(&R::SetEsr, 4, 2, "010001628", kRef, "", nullptr, nullptr, 0),
         "SetEsr: eEsrType 4 is not an orange slip type"},
        {Call<1>(&R::SetEsr, "01-162-9", 1, "01-162-8", kRef, "", nullptr, nullptr, 0),
         "SetEsr: bstrParticipantNumber"},
        {Call<3>(&R::SetEsrRed, "1\n2\n3\n4\n5", "01-162-8", kQrIban, "AB12345678", "1\n2\n3\n4",
                 nullptr, nullptr, 30),
         "SetEsrRed: bstrRemarks has more than four lines"},
        {Call<0>(&R::SetEsrRed, "01-162-7", "01-162-8", "", "", "", nullptr, nullptr, 0),
         "SetEsrRed: bstrPostAccount"},
        {Call<0>(&R::SetEsrQR, 6, 5, kQrIban, kQrReference, "Danke", nullptr, nullptr, 30),
         "SetEsrQR: eEsrType 6 is not a type of QR bill with reference"},
        {Call<2>(&R::SetEsrQR, "210000000003139471430009018", 4, "CH44 3199 9123 0008 8901 2",
                 "21 00000 00003 13947 14300 09017", "", nullptr, nullptr, 30),
         "SetEsrQR: bstrIBAN and bstrReferenceNumber"},
        // The sample pairs a normal IBAN with a QR reference; the normal IBAN
        // goes with a creditor reference.
        {Call<2>(&R::SetEsrQR, "154530000000000000010000018", 4, "CH5800791123000889012",
                 "RF18539007547034", "", nullptr, nullptr, 30),
         "SetEsrQR: bstrIBAN and bstrReferenceNumber IBAN CH5800791123000889012 is not a QR-IBAN"},
        {Call<2>(&R::SetEsrQR, "", 4, kQrIban, kQrReference, "", nullptr, nullptr, 30),
         "SetEsrQR: bstrReferenceNumber is required"},
        {Call<6>(&R::SetEsrQR, 1000, 4, kQrIban, kQrReference, "", nullptr, nullptr, 999),
         "SetEsrQR: lPaymentPeriod 1000 is outside 0 to 999"},
        {Call<6>(&R::SetEsrQR, -1, 4, kQrIban, kQrReference, "", nullptr, nullptr, 0),
         "SetEsrQR: lPaymentPeriod -1 is outside 0 to 999"},
        {Call<0>(&R::SetEsrRedQR, kQrIban, "CH5800791123000889012", "", "", nullptr, nullptr, 30),
         "SetEsrRedQR: bstrIBAN the QR-IBAN"},
        {Call<0>(&R::SetBiller, "2000000000002", kBillerGln, "C000002", "", "Allgemein", nullptr),
         "SetBiller: bstrEAN the check digit of GLN 2000000000002 is wrong"},
        {Call<1>(&R::SetBiller, "c000002", kBillerGln, "", "", "", nullptr), "SetBiller: bstrZSR"},
        {Call<2>(&R::SetBiller, "12345678", kBillerGln, "C000002", "1234567", "", nullptr),
         "SetBiller: bstrNIF"},
        {Call<1>(&R::SetProvider, "", kBillerGln, "H123456", "", "", nullptr),
         "SetProvider: bstrZSR"},
        {Call<0>(&R::SetDebitor, "2000000000000", kRecipientGln, nullptr), "SetDebitor: bstrEAN"},
        {Call<0>(&R::SetInsurance, "760100000000", kRecipientGln, nullptr),
         "SetInsurance: bstrEAN"},
        {Call<0>(&R::SetPatient, 3, 1, kJune3, "", nullptr),
         "SetPatient: eSexType 3 is not a SexType value"},
        {Call<2>(&R::SetPatient, "7560000000011", 2, kJune3, kPatientSsn, nullptr),
         "SetPatient: bstrSSN the check digit of AHV number"},
        {Call<1>(&R::SetInsured, 0, 1, kJune3, "1234", nullptr), "SetInsured: dBirthdate"},
        {Call<0>(&R::SetReferrer, "76010000000", "", "", "", "", nullptr), "SetReferrer: bstrEAN"},
        {Call<1>(&R::SetEmployer, std::string(36, 'r'), kRecipientGln, std::string(35, 'r'),
                 nullptr),
         "SetEmployer: bstrRegNumber"},
        {Call<0>(&R::SetCard, "", "80756000000000000000", kJune3, 0, "", ""),
         "SetCard: bstrCardID"},
        {Call<4>(&R::SetTreatment, 32, "", "", kJune3, kJune3, 31, 2, 6, kJune3),
         "SetTreatment: eTreatmentCanton 32 is not a Canton value"},
        {Call<2>(&R::SetTreatment, Day(2999, 12, 31), "", "", kJune3, kJune3, 1, 1, 1, 0),
         "SetTreatment: dDateBegin the date 2999-12-31 is outside"},
        {Call<3>(&R::SetTreatment, Day(2020, 6, 2), "", "", kJune3, kJune3, 1, 1, 1, 0),
         "SetTreatment: dDateEnd the end date 2020-06-02 is before"},
        {Call<0>(&R::SetXtraHospital, 2, 1, 0, 0, 2, 3, 5, "M100", 0),
         "SetXtraHospital: dDateHospitalization a date is required"},
        {Call<2>(&R::SetLaw, "12345", 3, kJune3, "12345678901234", ""),
         "SetLaw: bstrCaseID \"12345\" is not an IV case id"},
        {Call<0>(&R::SetLaw, 7, 6, 0, "", ""), "SetLaw: eLawType 7 is not a LawType value"},
        {Call<1>(&R::AddGrouperRecord, 1000, 3, 999, "n"),
         "AddGrouperRecord: lNumber 1000 is outside 0 to 999"},
        {Call<2>(&R::AddBfSRecord, std::string(65, 'n'), 4, 1, std::string(64, 'n')),
         "AddBfSRecord: bstrName"},
        {Call<0>(&R::AddCaseDetail, "1", "001", "A", kJune3, kJune3, "ACID"),
         "AddCaseDetail: bstrTariffType"},
        {Call<2>(&R::AddDiagnosis, "", 5, "", "Grippe"),
         "AddDiagnosis: bstrText the text must not be empty"},
        {Call<1>(&R::AddDiagnosis, "", 1, "J10.1", "Grippe"),
         "AddDiagnosis: bstrCode the text must not be empty"},
        {Call<1>(&R::AddInstruction, "", "t", "v"), "AddInstruction: bstrValue"},
        {Call<3>(&R::AddDocument, "application/msword", 1, "https://example.org/a/report.pdf",
                 "Bericht", "application/pdf"),
         "AddDocument: bstrMimeType"},
        {Call<0>(&R::AddDocument, 0, 1, "https://example.org/x.png", "B", "application/pdf"),
         "AddDocument: bstrSource \"https://example.org/x.png\" is not an existing file"},
        {Service<7>("2000000000002"), "AddService: bstrProviderEAN"},
        {Service<4>(0), "AddService: lSessionNumber 0 is outside"},
        {Service<14>(100.5), "AddService: dVatRate"},
        {Service<11>(0), "AddService: dUnitFactor must be greater than 0"},
        {Service<3>(kNan), "AddService: dQuantity"},
        {Service<10>(kInf), "AddService: dUnit"},
        {Service<10>(-0.01), "AddService: dUnit "},
        {ServiceEx<0>(input.Get(), nullptr), "AddServiceEx: pIServiceExInput is required"},
        {ServiceEx<0>(input.Get(), bare.Get()), "AddServiceEx: pIServiceExInput provider EAN"},
        {ServiceEx<8>(input.Get(), 4), "AddServiceEx: eSide 4 is not a BodySide value"},
        {ServiceEx<10>(input.Get(), -0.01), "AddServiceEx: dUnitMT "},
        {ServiceEx<11>(input.Get(), 0), "AddServiceEx: dUnitFactorMT "},
        {ServiceEx<12>(input.Get(), 0), "AddServiceEx: dUnitInternalScalingFactorMT "},
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
// the time of the call, payment numbers normalised), nothing of the refused
// ones; Initialize empties it.

TEST_F(RequestObjectTest, RejectedCallsChangeNothingAndAcceptedOnesAreKept) {
    double difference = 0;
    EXPECT_EQ(E_POINTER, request_->Finalize(nullptr, &status_));
    EXPECT_EQ(E_POINTER, request_->Finalize(&difference, nullptr));
    build_.SetSampleSections("SetEsrQR");
    build_.AddSampleServices();
    ComPtr<IAddress> other = build_.Person("Anders", "Otto");
    ASSERT_EQ(S_OK, request_->SetBiller(kRecipientGln, "C000003", "", "X", other.Get(), &status_));
    ASSERT_EQ(S_OK, request_->SetGuarantor(other.Get(), &status_));
    ASSERT_EQ(S_OK, other->SetPerson("Später", "Anna", "", "", "", &status_));
    ASSERT_EQ(S_OK, request_->SetEsr(1, "010001628", kRef, "", nullptr, build_.Company("C").Get(),
                                     30, &status_))
        << Abort();
    auto first = Finalized();
    // Each call has one bad value among good ones; the snapshot stays.
    ExpectRefused(request_->SetBiller(kBillerGln, "C00003", "", "X", other.Get(), &status_),
                  "SetBiller: bstrZSR");
    ExpectRefused(request_->SetTiers(2, "", -1, &status_), "SetTiers: dAmountPrepaid");
    ExpectRefused(request_->Initialize(0, &status_), "Initialize");
    ExpectRefused(
        request_->SetPatient(1, Day(1960, 1, 1), "", build_.Company("AG").Get(), &status_),
        "SetPatient: pIAddress is a company's address");
    long id = 42;
    ExpectRefused(request_->AddService("999", "Z", "", 1, 0, kJune3, 0, kBillerGln, kBillerGln, "Z",
                                       1, 1, 1, 0, 0, 1, "", "", 0, 0, &id, &status_),
                  "AddService: lSessionNumber 0 is outside");
    EXPECT_EQ(42, id);
    EXPECT_EQ(first, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    // An accepted change drops the snapshot; the old one stays as it was.
    build_.AddArticle("Y", 1, 7.0, 0, 1);
    EXPECT_EQ(nullptr, AsRequestImpl(request_.Get())->FinalizedSnapshot());
    EXPECT_EQ(5u, first->services.size());

    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ(std::string(kRecipientGln) +
                  "|C000003|Anders|Spitzkiel|6|01-162-8|21 00000 00003 13947 14300 09017",
              invoice->biller->ean + "|" + invoice->biller->zsr + "|" +
                  invoice->guarantor->address->person.familyname + "|" +
                  invoice->patient->address->person.familyname + "|" +
                  std::to_string(invoice->services.size()) + "|" +
                  invoice->esr->participant_number + "|" + invoice->esr->reference_number);
    EXPECT_EQ(invoice::TiersMode::kGarant, invoice->tiers->mode);

    ASSERT_EQ(S_OK, request_->Initialize(2, &status_));
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("biller (SetBiller)")) << Abort();
}

// ---------------------------------------------------------------------------
// Records

// The refused calls leave the accepted drug of record 2 as it was.
TEST_F(RequestObjectTest, ExtrasGoToServiceRecordsOnly) {
    build_.SetSampleSections();
    build_.AddSampleServices();  // 1: a record of AddServiceEx, 2 to 5 of AddService
    EXPECT_EQ(S_OK, request_->SetXtraDrug(2, 1, "B", 2, 5, 1, &status_)) << Abort();
    EXPECT_EQ(E_FAIL, request_->SetXtraDrug(1, 1, "B", 2, 5, 1, &status_));
    EXPECT_NE(std::string::npos, Abort().find("is a record of AddServiceEx")) << Abort();
    EXPECT_EQ(E_FAIL, request_->SetXtraDRG(6, 0.5, 0.5, &status_));
    EXPECT_NE(std::string::npos, Abort().find("SetXtraDRG: lID 6 names no service record"));
    ExpectRefused(request_->SetXtraDrug(2, 1, "F", 1, 0, 0, &status_), "SetXtraDrug: bstrIOCM");
    ExpectRefused(request_->SetXtraDRG(2, -0.5, 0, &status_), "SetXtraDRG: dSplitFactor1");
    auto invoice = Finalized();
    ASSERT_TRUE(invoice && invoice->services[1].xtra_drug);
    EXPECT_EQ("B", invoice->services[1].xtra_drug->iocm_category);
}

// ---------------------------------------------------------------------------
// Objects

TEST_F(RequestObjectTest, FactoryAndCreatedObjectsRefuseNullOutPointers) {
    ComPtr<R> other;
    ASSERT_EQ(S_OK, CreateGeneralInvoiceRequest(other.ReleaseAndGetAddressOf()));
    EXPECT_NE(request_.Get(), other.Get());
    EXPECT_FALSE(AsRequestImpl(other.Get())->IsFinalized());
    EXPECT_EQ(nullptr, AsRequestImpl(nullptr));
    EXPECT_EQ(E_POINTER, CreateGeneralInvoiceRequest(nullptr));
    EXPECT_EQ(E_POINTER, request_->GetCreateAddress(nullptr));
    EXPECT_EQ(E_POINTER, request_->GetCreateServiceExInput("001", nullptr));
    ComPtr<IServiceExInput> input;
    EXPECT_EQ(E_INVALIDARG, request_->GetCreateServiceExInput("1", input.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(input);
    EXPECT_EQ(E_POINTER,
              request_->AddService("999", "X", "", 1, 1, kJune3, 0, kBillerGln, kBillerGln, "X", 1,
                                   1, 1, 0, 0, 1, "", "", 0, 0, nullptr, &status_));
}

}  // namespace
}  // namespace request_test
