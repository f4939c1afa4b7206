// The invoice request object through IGeneralInvoiceRequest: every setter
// with a valid and an invalid value (the sample's own identifiers among
// them), rejected calls that change nothing, records and their ids.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "module/objects/request_factory.h"
#include "module/objects/request_object.h"
#include "tests/engine/request_sample_invoice.h"

namespace request_test {
namespace {

class RequestObjectTest : public RequestTest {
  protected:
    // The current content, finalized with a minimal record set when needed.
    std::shared_ptr<const invoice::InvoiceRequest> Finalized() {
        double difference = 0;
        EXPECT_EQ(S_OK, request_->Finalize(&difference, &status_)) << Abort();
        return AsRequestImpl(request_.Get())->FinalizedSnapshot();
    }

    void ExpectRefused(HRESULT hr, const std::string& fragment) {
        EXPECT_EQ(E_INVALIDARG, hr);
        EXPECT_NE(std::string::npos, Abort().find(fragment)) << Abort();
    }

    // A consultation of `input` on the given body side.
    HRESULT AddServiceEx(IServiceExInput* input, long side, long* id) {
        return request_->AddServiceEx(input, "001", "00.0010", "", 1, 1, Day(2020, 6, 3), 0, side,
                                      "K", 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, id,
                                      &status_);
    }
};

// ---------------------------------------------------------------------------
// Every setter with a valid value and an invalid one in its place; the
// sample's own identifiers, which the checks refuse, among the invalid ones.

// Calls a setter with its valid (ok) or its invalid value.
using Call = HRESULT (*)(IGeneralInvoiceRequest*, VARIANT_BOOL*, bool ok);

struct SetterCase {
    const char* name;
    Call call;
    const char* fragment;  // where the abort text of the invalid call starts
};

std::ostream& operator<<(std::ostream& out, const SetterCase& c) {
    return out << c.name;
}

const double kJune3 = checks::DateSerial(2020, 6, 3);
const std::string kRef = "210000000003139471430009017";

std::vector<SetterCase> SetterCases() {
    using R = IGeneralInvoiceRequest;
    using S = VARIANT_BOOL;
    return {
        {"Initialize", [](R* r, S* s, bool ok) { return r->Initialize(ok ? 3 : 4, s); },
         "Initialize: eDataLanguage 4 is not a Language value (1, 2, 3)"},
        {"SetRequestRole",
         [](R* r, S* s, bool ok) { return r->SetRequest(ok ? 21 : 0, 5, "Dr.", 1, 1, "x", s); },
         "SetRequest: eRoleType 0 is not a RoleType value"},
        {"SetRequestStorno",
         [](R* r, S* s, bool ok) { return r->SetRequest(1, 1, "", ok ? 0 : 2, 1, "", s); },
         "SetRequest: eIsStorno 2 is not a YesNo value"},
        {"SetRequestRemark",
         [](R* r, S* s, bool ok) {
             return r->SetRequest(1, 1, "", 0, 0, std::string(ok ? 350 : 351, 'x'), s);
         },
         "SetRequest: bstrRemark"},
        {"SetProcessing",
         [](R* r, S* s, bool ok) {
             return r->SetProcessing(1, 1, std::string(ok ? 100 : 101, 't'), s);
         },
         "SetProcessing: bstrTCToken"},
        {"SetTransportFile",
         [](R* r, S* s, bool ok) {
             return r->SetTransport(kBillerGln, ok ? "" : "/no/such/key.p12", "", "", kRecipientGln,
                                    "", s);
         },
         "SetTransport: bstrFromPFXFile \"/no/such/key.p12\" is not an existing file"},
        {"SetTransportFrom",
         [](R* r, S* s, bool ok) {
             return r->SetTransport(ok ? kBillerGln : "2000000000002", "", "", "", kRecipientGln,
                                    "", s);
         },
         "SetTransport: bstrFromEAN"},
        {"SetTransportVia",
         [](R* r, S* s, bool ok) {
             return r->SetTransport(kBillerGln, "", "", ok ? "7601000000019" : "7601000000018",
                                    kRecipientGln, "", s);
         },
         "SetTransport: bstrViaEAN"},
        {"SetPackage",
         [](R* r, S* s, bool ok) { return r->SetPackage(ok ? "P" : "", 1, 0, "", s); },
         "SetPackage: bstrSoftwarePackage"},
        {"SetPackageVersion",
         [](R* r, S* s, bool ok) { return r->SetPackage("P", ok ? 0 : -1, 7, "(c)", s); },
         "SetPackage: lSoftwareVersion -1 is outside"},
        {"SetCredit",
         [](R* r, S* s, bool ok) { return r->SetCredit("C1", kJune3, ok ? 1591170775 : 1000, s); },
         "SetCredit: lRequestCreditTimestamp the timestamp 1000 is outside"},
        {"SetInvoiceId",
         [](R* r, S* s, bool ok) {
             return r->SetInvoice(std::string(ok ? 35 : 36, '1'), kJune3, 0, s);
         },
         "SetInvoice: bstrRequestInvoiceID"},
        {"SetInvoiceDate",
         [](R* r, S* s, bool ok) { return r->SetInvoice("I1", ok ? kJune3 : 0, 0, s); },
         "SetInvoice: dRequestInvoiceDate a date is required"},
        {"SetReminderLevel",
         [](R* r, S* s, bool ok) { return r->SetReminder("R1", kJune3, 0, ok ? 3 : 4, "", 10, s); },
         "SetReminder: lReminderLevel the reminder level 4 is not 1, 2 or 3"},
        {"SetReminderAmount",
         [](R* r, S* s, bool ok) { return r->SetReminder("R1", kJune3, 0, 1, "", ok ? 0 : -5, s); },
         "SetReminder: dAmountReminder"},
        {"SetTiers",
         [](R* r, S* s, bool ok) { return r->SetTiers(ok ? 2 : 3, "CHE-123.456.788", 0, s); },
         "SetTiers: eTiersMode 3 is not a TiersMode value (1, 2)"},
        {"SetTiersVat",
         [](R* r, S* s, bool ok) {
             return r->SetTiers(1, ok ? "" : "CHE-123.456.788 MWST", 12.5, s);
         },
         "SetTiers: bstrVatNumber"},
        {"SetEsr",
         [](R* r, S* s, bool ok) {
             return r->SetEsr(
                 1, "01-162-8",
                 ok ? "21 00000 00003 13947 14300 09017" : "21 00000 00003 13947 14300 09018", "",
                 nullptr, nullptr, 30, s);
         },
         "SetEsr: bstrReferenceNumber"},
        {"SetEsrType",
         [](R* r, S* s, bool ok) {
             return r->SetEsr(ok ? 2 : 4, "010001628", kRef, "", nullptr, nullptr, 0, s);
         },
         "SetEsr: eEsrType 4 is not an orange slip type"},
        {"SetEsrParticipant",
         [](R* r, S* s, bool ok) {
             return r->SetEsr(1, ok ? "01-162-8" : "01-162-9", kRef, "", nullptr, nullptr, 0, s);
         },
         "SetEsr: bstrParticipantNumber"},
        {"SetEsrRed",
         [](R* r, S* s, bool ok) {
             return r->SetEsrRed("01-162-8", kQrIban, "AB12345678",
                                 ok ? "1\n2\n3\n4" : "1\n2\n3\n4\n5", nullptr, nullptr, 30, s);
         },
         "SetEsrRed: bstrRemarks has more than four lines"},
        {"SetEsrRedAccount",
         [](R* r, S* s, bool ok) {
             return r->SetEsrRed(ok ? "01-162-8" : "01-162-7", "", "", "", nullptr, nullptr, 0, s);
         },
         "SetEsrRed: bstrPostAccount"},
        {"SetEsrQRType",
         [](R* r, S* s, bool ok) {
             return r->SetEsrQR(ok ? 5 : 6, kQrIban, kQrReference, "Danke", nullptr, nullptr, 30,
                                s);
         },
         "SetEsrQR: eEsrType 6 is not a type of QR bill with reference"},
        {"SetEsrQRReference",
         [](R* r, S* s, bool ok) {
             return r->SetEsrQR(
                 4, "CH44 3199 9123 0008 8901 2",
                 ok ? "21 00000 00003 13947 14300 09017" : "210000000003139471430009018", "",
                 nullptr, nullptr, 30, s);
         },
         "SetEsrQR: bstrIBAN and bstrReferenceNumber"},
        {"SetEsrQRSampleIban",
         [](R* r, S* s, bool ok) {
             // The sample pairs a normal IBAN with a QR reference; the normal
             // IBAN goes with a creditor reference.
             return r->SetEsrQR(4, "CH5800791123000889012",
                                ok ? "RF18539007547034" : "154530000000000000010000018", "",
                                nullptr, nullptr, 30, s);
         },
         "SetEsrQR: bstrIBAN and bstrReferenceNumber IBAN CH5800791123000889012 is not a QR-IBAN"},
        {"SetEsrQRWithoutReference",
         [](R* r, S* s, bool ok) {
             return r->SetEsrQR(4, kQrIban, ok ? kQrReference : "", "", nullptr, nullptr, 30, s);
         },
         "SetEsrQR: bstrReferenceNumber is required"},
        {"SetEsrQRPeriod",
         [](R* r, S* s, bool ok) {
             return r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, ok ? 999 : 1000, s);
         },
         "SetEsrQR: lPaymentPeriod 1000 is outside 0 to 999"},
        {"SetEsrQRPeriodLow",
         [](R* r, S* s, bool ok) {
             return r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, ok ? 0 : -1, s);
         },
         "SetEsrQR: lPaymentPeriod -1 is outside 0 to 999"},
        {"SetEsrRedQR",
         [](R* r, S* s, bool ok) {
             return r->SetEsrRedQR(ok ? "CH5800791123000889012" : kQrIban, "", "", nullptr, nullptr,
                                   30, s);
         },
         "SetEsrRedQR: bstrIBAN the QR-IBAN"},
        {"SetBillerEan",
         [](R* r, S* s, bool ok) {
             return r->SetBiller(ok ? kBillerGln : "2000000000002", "C000002", "", "Allgemein",
                                 nullptr, s);
         },
         "SetBiller: bstrEAN the check digit of GLN 2000000000002 is wrong"},
        {"SetBillerZsr",
         [](R* r, S* s, bool ok) {
             return r->SetBiller(kBillerGln, ok ? "" : "c000002", "", "", nullptr, s);
         },
         "SetBiller: bstrZSR"},
        {"SetBillerNif",
         [](R* r, S* s, bool ok) {
             return r->SetBiller(kBillerGln, "C000002", ok ? "1234567" : "12345678", "", nullptr,
                                 s);
         },
         "SetBiller: bstrNIF"},
        {"SetProviderZsr",
         [](R* r, S* s, bool ok) {
             return r->SetProvider(kBillerGln, ok ? "H123456" : "", "", "", nullptr, s);
         },
         "SetProvider: bstrZSR"},
        {"SetDebitor",
         [](R* r, S* s, bool ok) {
             return r->SetDebitor(ok ? kRecipientGln : "2000000000000", nullptr, s);
         },
         "SetDebitor: bstrEAN"},
        {"SetInsurance",
         [](R* r, S* s, bool ok) {
             return r->SetInsurance(ok ? kRecipientGln : "760100000000", nullptr, s);
         },
         "SetInsurance: bstrEAN"},
        {"SetPatientSex",
         [](R* r, S* s, bool ok) { return r->SetPatient(ok ? 1 : 3, kJune3, "", nullptr, s); },
         "SetPatient: eSexType 3 is not a SexType value"},
        {"SetPatientSsn",
         [](R* r, S* s, bool ok) {
             return r->SetPatient(2, kJune3, ok ? kPatientSsn : "7560000000011", nullptr, s);
         },
         "SetPatient: bstrSSN the check digit of AHV number"},
        {"SetInsuredBirthdate",
         [](R* r, S* s, bool ok) { return r->SetInsured(1, ok ? kJune3 : 0, "1234", nullptr, s); },
         "SetInsured: dBirthdate"},
        {"SetReferrer",
         [](R* r, S* s, bool ok) {
             return r->SetReferrer(ok ? "" : "76010000000", "", "", "", nullptr, s);
         },
         "SetReferrer: bstrEAN"},
        {"SetEmployer",
         [](R* r, S* s, bool ok) {
             return r->SetEmployer(kRecipientGln, std::string(ok ? 35 : 36, 'r'), nullptr, s);
         },
         "SetEmployer: bstrRegNumber"},
        {"SetCard",
         [](R* r, S* s, bool ok) {
             return r->SetCard(ok ? "80756000000000000000" : "", kJune3, 0, "", "", s);
         },
         "SetCard: bstrCardID"},
        {"SetTreatmentCanton",
         [](R* r, S* s, bool ok) {
             return r->SetTreatment("", "", kJune3, kJune3, ok ? 31 : 32, 2, 6, kJune3, s);
         },
         "SetTreatment: eTreatmentCanton 32 is not a Canton value"},
        {"SetTreatmentBegin",
         [](R* r, S* s, bool ok) {
             return r->SetTreatment("", "", ok ? kJune3 : Day(2999, 12, 31),
                                    ok ? kJune3 : Day(2000, 1, 1), 1, 1, 1, 0, s);
         },
         "SetTreatment: dDateBegin the date 2999-12-31 is outside"},
        {"SetTreatmentEnd",
         [](R* r, S* s, bool ok) {
             return r->SetTreatment("", "", kJune3, ok ? kJune3 : Day(2020, 6, 2), 1, 1, 1, 0, s);
         },
         "SetTreatment: dDateEnd the end date 2020-06-02 is before"},
        {"SetXtraHospital",
         [](R* r, S* s, bool ok) {
             return r->SetXtraHospital(ok ? 1 : 2, 0, 0, 2, 3, 5, "M100", 0, s);
         },
         "SetXtraHospital: dDateHospitalization a date is required"},
        {"SetLawIvg",
         [](R* r, S* s, bool ok) {
             return r->SetLaw(3, kJune3, ok ? "12345678901234" : "12345", "", s);
         },
         "SetLaw: bstrCaseID \"12345\" is not an IV case id"},
        {"SetLawType", [](R* r, S* s, bool ok) { return r->SetLaw(ok ? 6 : 7, 0, "", "", s); },
         "SetLaw: eLawType 7 is not a LawType value"},
        {"AddGrouperRecord",
         [](R* r, S* s, bool ok) { return r->AddGrouperRecord(3, ok ? 999 : 1000, "n", s); },
         "AddGrouperRecord: lNumber 1000 is outside 0 to 999"},
        {"AddBfSRecord",
         [](R* r, S* s, bool ok) {
             return r->AddBfSRecord(4, 1, std::string(ok ? 64 : 65, 'n'), s);
         },
         "AddBfSRecord: bstrName"},
        {"AddCaseDetail",
         [](R* r, S* s, bool ok) {
             return r->AddCaseDetail(ok ? "001" : "1", "A", kJune3, kJune3, "ACID", s);
         },
         "AddCaseDetail: bstrTariffType"},
        {"AddDiagnosisFreeText",
         [](R* r, S* s, bool ok) { return r->AddDiagnosis(5, "", ok ? "Grippe" : "", s); },
         "AddDiagnosis: bstrText the text must not be empty"},
        {"AddDiagnosisCode",
         [](R* r, S* s, bool ok) { return r->AddDiagnosis(1, ok ? "J10.1" : "", "Grippe", s); },
         "AddDiagnosis: bstrCode the text must not be empty"},
        {"AddInstruction",
         [](R* r, S* s, bool ok) { return r->AddInstruction("t", ok ? "v" : "", s); },
         "AddInstruction: bstrValue"},
        {"AddDocumentUrl",
         [](R* r, S* s, bool ok) {
             return r->AddDocument(1, "https://example.org/a/report.pdf", "Bericht",
                                   ok ? "application/pdf" : "application/msword", s);
         },
         "AddDocument: bstrMimeType"},
        {"AddDocumentFile",
         [](R* r, S* s, bool ok) {
             return r->AddDocument(ok ? 1 : 0,
                                   ok ? "https://example.org/x.png" : "/no/such/file.pdf", "B",
                                   "application/pdf", s);
         },
         "AddDocument: bstrSource \"/no/such/file.pdf\" is not an existing file"},
        {"AddServiceProvider",
         [](R* r, S* s, bool ok) {
             long id = 0;
             const char* gln = ok ? kBillerGln : "2000000000002";
             return r->AddService("999", "GA", "", 1, 1, kJune3, 0, gln, gln, "Gutachten A", 2700,
                                  1, 1, 2700, 8, 0, "", "", 0, 0, &id, s);
         },
         "AddService: bstrProviderEAN"},
    };
}

class SetterTest : public RequestObjectTest, public ::testing::WithParamInterface<SetterCase> {};

TEST_P(SetterTest, TakesTheValidValueAndRefusesTheInvalidOne) {
    EXPECT_EQ(S_OK, GetParam().call(request_.Get(), &status_, true)) << Abort();
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(E_INVALIDARG, GetParam().call(request_.Get(), &status_, false));
    EXPECT_EQ(0u, Abort().find(GetParam().fragment)) << Abort();
    EXPECT_EQ(E_POINTER, GetParam().call(request_.Get(), nullptr, true));
}

INSTANTIATE_TEST_SUITE_P(EverySetter, SetterTest, ::testing::ValuesIn(SetterCases()),
                         [](const ::testing::TestParamInfo<SetterCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// A rejected call changes nothing.

TEST_F(RequestObjectTest, RejectedCallsChangeNothing) {
    build_.SetSampleSections();
    build_.AddSampleServices();
    ComPtr<IAddress> other = build_.Person("Anders", "Otto");
    ASSERT_EQ(S_OK, request_->SetBiller(kRecipientGln, "C000003", "", "X", other.Get(), &status_));
    // Each call has one bad value among good ones.
    ExpectRefused(request_->SetBiller(kBillerGln, "C00003", "", "X", other.Get(), &status_),
                  "SetBiller: bstrZSR");
    ExpectRefused(request_->SetTiers(2, "", -1, &status_), "SetTiers: dAmountPrepaid");
    ExpectRefused(request_->Initialize(0, &status_), "Initialize");
    ExpectRefused(
        request_->SetPatient(1, Day(1960, 1, 1), "", build_.Company("AG").Get(), &status_),
        "SetPatient: pIAddress is a company's address");
    long id = 42;
    ExpectRefused(
        request_->AddService("999", "Z", "", 1, 0, Day(2020, 6, 3), 0, kBillerGln, kBillerGln, "Z",
                             1, 1, 1, 0, 0, 1, "", "", 0, 0, &id, &status_),
        "AddService: lSessionNumber 0 is outside");
    EXPECT_EQ(42, id);

    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ(kRecipientGln, invoice->biller->ean);  // the one accepted call
    EXPECT_EQ("C000003", invoice->biller->zsr);
    EXPECT_EQ(invoice::TiersMode::kGarant, invoice->tiers->mode);
    EXPECT_EQ("Spitzkiel", invoice->patient->address->person.familyname);
    EXPECT_EQ(5u, invoice->services.size());
}

TEST_F(RequestObjectTest, AddressIsCopiedAtTheTimeOfTheCall) {
    build_.SetSampleSections("SetGuarantor");
    ComPtr<IAddress> address = build_.Person("Erst", "Anna");
    ASSERT_EQ(S_OK, request_->SetGuarantor(address.Get(), &status_));
    VARIANT_BOOL status = 0;
    ASSERT_EQ(S_OK, address->SetPerson("Später", "Anna", "", "", "", &status));
    build_.AddArticle("X", 1, 1, 0, 1);
    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ("Erst", invoice->guarantor->address->person.familyname);
}

TEST_F(RequestObjectTest, InitializeStartsAnEmptyRequest) {
    build_.SetSampleSections();
    build_.AddSampleServices();
    ASSERT_EQ(S_OK, request_->Initialize(2, &status_));
    double difference = 0;
    EXPECT_EQ(E_FAIL, request_->Finalize(&difference, &status_));
    EXPECT_NE(std::string::npos, Abort().find("biller (SetBiller)")) << Abort();
}

// ---------------------------------------------------------------------------
// Records

TEST_F(RequestObjectTest, RecordIdsCountBothKindsInCallOrder) {
    EXPECT_EQ(1, build_.AddArticle("A", 1, 1, 0, 1));
    ComPtr<IServiceExInput> input = build_.Physician("001");
    long id = 0;
    ASSERT_EQ(S_OK, AddServiceEx(input.Get(), 2, &id)) << Abort();
    EXPECT_EQ(2, id);
    EXPECT_EQ(3, build_.AddArticle("B", 1, 1, 0, 1));
}

TEST_F(RequestObjectTest, AddServiceExNeedsAServiceInputWithProviders) {
    long id = 0;
    ExpectRefused(AddServiceEx(nullptr, 1, &id), "AddServiceEx: pIServiceExInput is required");
    ComPtr<IServiceExInput> bare;
    ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", bare.ReleaseAndGetAddressOf()));
    ExpectRefused(AddServiceEx(bare.Get(), 1, &id), "AddServiceEx: pIServiceExInput provider EAN");
    ComPtr<IServiceExInput> input = build_.Physician("001");
    EXPECT_EQ(S_OK, AddServiceEx(input.Get(), 3, &id)) << Abort();
    ExpectRefused(AddServiceEx(input.Get(), 4, &id),
                  "AddServiceEx: eSide 4 is not a BodySide value");
}

TEST_F(RequestObjectTest, AddServiceChecksNumbers) {
    long id = 0;
    auto add = [&](double quantity, double unit, double factor, double vat) {
        return request_->AddService("999", "X", "", quantity, 1, Day(2020, 6, 3), 0, kBillerGln,
                                    kBillerGln, "X", unit, factor, 1, 0, vat, 1, "", "", 0, 0, &id,
                                    &status_);
    };
    ExpectRefused(add(1, 1, 1, 100.5), "AddService: dVatRate");
    ExpectRefused(add(1, 1, 0, 0), "AddService: dUnitFactor must be greater than 0");
    ExpectRefused(add(std::numeric_limits<double>::quiet_NaN(), 1, 1, 0), "AddService: dQuantity");
    ExpectRefused(add(1, std::numeric_limits<double>::infinity(), 1, 0), "AddService: dUnit");
    EXPECT_EQ(S_OK, add(-1, 10, 1, 0)) << Abort();  // a credit line
}

TEST_F(RequestObjectTest, ExtrasGoToServiceRecordsOnly) {
    build_.SetSampleSections();
    long article = build_.AddArticle("A", 1, 1, 0, 1);
    ComPtr<IServiceExInput> input = build_.Physician("001");
    long ex = 0;
    ASSERT_EQ(S_OK, AddServiceEx(input.Get(), 1, &ex)) << Abort();
    EXPECT_EQ(S_OK, request_->SetXtraDrug(article, 1, "B", 2, 5, 1, &status_)) << Abort();
    EXPECT_EQ(E_FAIL, request_->SetXtraDrug(ex, 1, "B", 2, 5, 1, &status_));
    EXPECT_NE(std::string::npos, Abort().find("is a record of AddServiceEx")) << Abort();
    EXPECT_EQ(E_FAIL, request_->SetXtraDRG(7, 0.5, 0.5, &status_));
    EXPECT_NE(std::string::npos, Abort().find("SetXtraDRG: lID 7 names no service record"));
    ExpectRefused(request_->SetXtraDrug(article, 1, "F", 1, 0, 0, &status_),
                  "SetXtraDrug: bstrIOCM");
    ExpectRefused(request_->SetXtraDRG(article, -0.5, 0, &status_), "SetXtraDRG: dSplitFactor1");

    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    ASSERT_TRUE(invoice->services[0].xtra_drug);
    EXPECT_EQ("B", invoice->services[0].xtra_drug->iocm_category);
    EXPECT_EQ(invoice::Delivery::kRepeated, invoice->services[0].xtra_drug->delivery);
}

TEST_F(RequestObjectTest, PaymentNumbersAreKeptNormalised) {
    build_.SetSampleSections("SetEsrQR");
    ASSERT_EQ(S_OK, request_->SetEsr(1, "010001628", "210000000003139471430009017", "", nullptr,
                                     build_.Company("C").Get(), 30, &status_))
        << Abort();
    build_.AddArticle("X", 1, 1, 0, 1);
    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ("01-162-8", invoice->esr->participant_number);
    EXPECT_EQ("21 00000 00003 13947 14300 09017", invoice->esr->reference_number);
}

// ---------------------------------------------------------------------------
// Objects

TEST(RequestFactoryTest, CreatesIndependentRequests) {
    ComPtr<IGeneralInvoiceRequest> a;
    ComPtr<IGeneralInvoiceRequest> b;
    ASSERT_EQ(S_OK, CreateGeneralInvoiceRequest(a.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, CreateGeneralInvoiceRequest(b.ReleaseAndGetAddressOf()));
    EXPECT_NE(a.Get(), b.Get());
    EXPECT_EQ(E_POINTER, CreateGeneralInvoiceRequest(nullptr));
    EXPECT_NE(nullptr, AsRequestImpl(a.Get()));
    EXPECT_EQ(nullptr, AsRequestImpl(nullptr));
    EXPECT_FALSE(AsRequestImpl(a.Get())->IsFinalized());
}

TEST_F(RequestObjectTest, CreatedObjectsAndNullOutPointers) {
    EXPECT_EQ(E_POINTER, request_->GetCreateAddress(nullptr));
    EXPECT_EQ(E_POINTER, request_->GetCreateServiceExInput("001", nullptr));
    ComPtr<IServiceExInput> input;
    EXPECT_EQ(E_INVALIDARG, request_->GetCreateServiceExInput("1", input.ReleaseAndGetAddressOf()));
    EXPECT_FALSE(input);
    long id = 0;
    EXPECT_EQ(E_POINTER,
              request_->AddService("999", "X", "", 1, 1, Day(2020, 6, 3), 0, kBillerGln, kBillerGln,
                                   "X", 1, 1, 1, 0, 0, 1, "", "", 0, 0, nullptr, &status_));
    EXPECT_EQ(0, id);
}

}  // namespace
}  // namespace request_test
