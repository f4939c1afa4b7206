// The invoice request object through IGeneralInvoiceRequest: the sample
// invoice's values that the checks refuse, every setter with a valid and an
// invalid value, rejected calls that change nothing, records and their ids.

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "module/objects/request_factory.h"
#include "module/objects/request_object.h"
#include "tests/engine/request_sample_invoice.h"

namespace request_test {
namespace {

using invoice::Decimal;

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
};

// ---------------------------------------------------------------------------
// The sample's own values: refused for good reasons.

TEST_F(RequestObjectTest, SampleGlnsWithWrongCheckDigitsAreRefused) {
    ComPtr<IAddress> person = build_.Person("Mandant.tarmed", "Mandant.tarmed");
    ExpectRefused(
        request_->SetBiller("2000000000002", "C000002", "", "Allgemein", person.Get(), &status_),
        "SetBiller: bstrEAN the check digit of GLN 2000000000002 is wrong");
    ExpectRefused(request_->SetTransport("2000000000002", "", "", "2000000000000", "2000000000000",
                                         "", &status_),
                  "SetTransport: bstrFromEAN");
    ExpectRefused(request_->SetDebitor("2000000000000", person.Get(), &status_),
                  "SetDebitor: bstrEAN");
    long id = 0;
    ExpectRefused(request_->AddService("999", "GA", "", 1, 1, Day(2020, 6, 3), 0, "2000000000002",
                                       "2000000000002", "Gutachten A", 2700, 1, 1, 2700, 8, 0, "",
                                       "", 0, 0, &id, &status_),
                  "AddService: bstrProviderEAN");
}

TEST_F(RequestObjectTest, SampleQrPaymentPairsANormalIbanWithAQrReference) {
    ComPtr<IAddress> bank = build_.Company("Test Bank");
    ComPtr<IAddress> creditor = build_.Person("Mandant.tarmed", "Mandant.tarmed");
    ExpectRefused(request_->SetEsrQR(4, "CH5800791123000889012", "154530000000000000010000018", "",
                                     bank.Get(), creditor.Get(), 30, &status_),
                  "is not a QR-IBAN and cannot take a QR reference");
    EXPECT_EQ(S_OK, request_->SetEsrQR(4, kQrIban, kQrReference, "", bank.Get(), creditor.Get(), 30,
                                       &status_))
        << Abort();
    // The normal IBAN goes with a creditor reference.
    EXPECT_EQ(S_OK, request_->SetEsrQR(4, "CH5800791123000889012", "RF18539007547034", "",
                                       bank.Get(), creditor.Get(), 30, &status_))
        << Abort();
}

TEST_F(RequestObjectTest, SampleSsnAndTreatmentDatesAreRefused) {
    ComPtr<IAddress> patient = build_.Person("Spitzkiel", "Beatrice");
    ExpectRefused(
        request_->SetPatient(2, Day(1957, 4, 14), "7560000000011", patient.Get(), &status_),
        "SetPatient: bstrSSN the check digit of AHV number");
    ExpectRefused(
        request_->SetTreatment("", "", Day(2999, 12, 31), Day(2000, 1, 1), 1, 1, 1, 0, &status_),
        "SetTreatment: dDateBegin the date 2999-12-31 is outside");
    ExpectRefused(
        request_->SetTreatment("", "", Day(2020, 6, 3), Day(2020, 6, 1), 1, 1, 1, 0, &status_),
        "SetTreatment: dDateEnd the end date 2020-06-01 is before");
}

TEST_F(RequestObjectTest, SampleBuiltCallByCallKeepsItsValues) {
    build_.SetSampleSections();
    build_.AddSampleServices();
    auto invoice = Finalized();
    ASSERT_TRUE(invoice);
    EXPECT_EQ(invoice::Language::kGerman, invoice->language);
    EXPECT_EQ(kBillerGln, invoice->transport->from_ean);
    ASSERT_EQ(1u, invoice->transport->vias.size());
    EXPECT_EQ(kRecipientGln, invoice->transport->vias[0].ean);
    EXPECT_EQ("Elexis", invoice->prolog.package->name);
    EXPECT_EQ(380u, *invoice->prolog.package->version);
    EXPECT_FALSE(invoice->prolog.generator.name.empty());
    EXPECT_EQ("000001000001", invoice->invoice->id);
    EXPECT_EQ(1591170775, invoice->invoice->timestamp);
    EXPECT_EQ("C000002", invoice->biller->zsr);
    EXPECT_EQ("Mandant.tarmed", invoice->biller->address->person.familyname);
    EXPECT_EQ(invoice::SexType::kFemale, invoice->patient->sex);
    EXPECT_EQ(Day(1957, 4, 14), invoice->patient->birthdate);
    ASSERT_EQ(1u, invoice->patient->address->phones.size());
    EXPECT_EQ(invoice::EsrType::kEsrQR, invoice->esr->type);
    EXPECT_EQ(kQrIban, invoice->esr->iban);
    EXPECT_EQ("Test Bank", invoice->esr->bank->company.companyname);
    EXPECT_EQ(30, invoice->esr->payment_period_days);
    EXPECT_EQ(invoice::LawType::kMVG, invoice->law->type);
    EXPECT_EQ(invoice::Canton::kAG, invoice->treatment->canton);
    ASSERT_EQ(1u, invoice->diagnoses.size());
    EXPECT_EQ(invoice::DiagnosisType::kByContract, invoice->diagnoses[0].type);
    EXPECT_EQ("Konsultation, erste 5 Min. (Grundkonsultation)", invoice->services[0].name);
    EXPECT_EQ(kBillerGln, invoice->services[0].provider_ean);
    EXPECT_EQ(invoice::BillingRole::kBoth, invoice->services[0].billing_role);
    EXPECT_FALSE(invoice->services[1].obligation);
}

// ---------------------------------------------------------------------------
// Every setter with a valid and an invalid value.

using Call = std::function<HRESULT(IGeneralInvoiceRequest*, VARIANT_BOOL*)>;

struct SetterCase {
    const char* name;
    Call valid;
    Call invalid;
    const char* fragment;  // expected in the abort text of the invalid call
};

std::ostream& operator<<(std::ostream& out, const SetterCase& c) {
    return out << c.name;
}

const double kJune3 = checks::DateSerial(2020, 6, 3);

std::vector<SetterCase> SetterCases() {
    using R = IGeneralInvoiceRequest;
    using S = VARIANT_BOOL;
    return {
        {"Initialize", [](R* r, S* s) { return r->Initialize(3, s); },
         [](R* r, S* s) { return r->Initialize(4, s); },
         "Initialize: eDataLanguage 4 is not a Language value (1, 2, 3)"},
        {"SetRequestRole", [](R* r, S* s) { return r->SetRequest(21, 5, "Dr.", 1, 1, "x", s); },
         [](R* r, S* s) { return r->SetRequest(0, 1, "", 0, 0, "", s); },
         "SetRequest: eRoleType 0 is not a RoleType value"},
        {"SetRequestStorno", [](R* r, S* s) { return r->SetRequest(1, 1, "", 0, 1, "", s); },
         [](R* r, S* s) { return r->SetRequest(1, 1, "", 2, 0, "", s); },
         "SetRequest: eIsStorno 2 is not a YesNo value"},
        {"SetRequestRemark",
         [](R* r, S* s) { return r->SetRequest(1, 1, "", 0, 0, std::string(350, 'x'), s); },
         [](R* r, S* s) { return r->SetRequest(1, 1, "", 0, 0, std::string(351, 'x'), s); },
         "SetRequest: bstrRemark"},
        {"SetProcessing", [](R* r, S* s) { return r->SetProcessing(1, 1, "token", s); },
         [](R* r, S* s) { return r->SetProcessing(0, 0, std::string(101, 't'), s); },
         "SetProcessing: bstrTCToken"},
        {"SetTransportFile",
         [](R* r, S* s) { return r->SetTransport(kBillerGln, "", "", "", kRecipientGln, "", s); },
         [](R* r, S* s) {
             return r->SetTransport(kBillerGln, "/no/such/key.p12", "", "", kRecipientGln, "", s);
         },
         "SetTransport: bstrFromPFXFile \"/no/such/key.p12\" is not an existing file"},
        {"SetTransportVia",
         [](R* r, S* s) {
             return r->SetTransport(kBillerGln, "", "", "7601000000019", kRecipientGln, "", s);
         },
         [](R* r, S* s) {
             return r->SetTransport(kBillerGln, "", "", "7601000000018", kRecipientGln, "", s);
         },
         "SetTransport: bstrViaEAN"},
        {"SetPackage", [](R* r, S* s) { return r->SetPackage("P", 0, 0, "", s); },
         [](R* r, S* s) { return r->SetPackage("", 1, 0, "", s); },
         "SetPackage: bstrSoftwarePackage"},
        {"SetPackageVersion", [](R* r, S* s) { return r->SetPackage("P", 450, 7, "(c)", s); },
         [](R* r, S* s) { return r->SetPackage("P", -1, 0, "", s); },
         "SetPackage: lSoftwareVersion -1 is outside"},
        {"SetCredit", [](R* r, S* s) { return r->SetCredit("C1", kJune3, 1591170775, s); },
         [](R* r, S* s) { return r->SetCredit("C1", kJune3, 1000, s); },
         "SetCredit: lRequestCreditTimestamp the timestamp 1000 is outside"},
        {"SetInvoiceId", [](R* r, S* s) { return r->SetInvoice("I1", kJune3, 0, s); },
         [](R* r, S* s) { return r->SetInvoice(std::string(36, '1'), kJune3, 0, s); },
         "SetInvoice: bstrRequestInvoiceID"},
        {"SetInvoiceDate", [](R* r, S* s) { return r->SetInvoice("I1", kJune3, 0, s); },
         [](R* r, S* s) { return r->SetInvoice("I1", 0, 0, s); },
         "SetInvoice: dRequestInvoiceDate a date is required"},
        {"SetReminderLevel",
         [](R* r, S* s) { return r->SetReminder("R1", kJune3, 0, 3, "", 10, s); },
         [](R* r, S* s) { return r->SetReminder("R1", kJune3, 0, 4, "", 10, s); },
         "SetReminder: lReminderLevel the reminder level 4 is not 1, 2 or 3"},
        {"SetReminderAmount",
         [](R* r, S* s) { return r->SetReminder("R1", kJune3, 0, 1, "", 0, s); },
         [](R* r, S* s) { return r->SetReminder("R1", kJune3, 0, 1, "", -5, s); },
         "SetReminder: dAmountReminder"},
        {"SetTiers", [](R* r, S* s) { return r->SetTiers(2, "CHE-123.456.788", 0, s); },
         [](R* r, S* s) { return r->SetTiers(3, "", 0, s); },
         "SetTiers: eTiersMode 3 is not a TiersMode value (1, 2)"},
        {"SetTiersVat", [](R* r, S* s) { return r->SetTiers(1, "", 12.5, s); },
         [](R* r, S* s) { return r->SetTiers(1, "CHE-123.456.788 MWST", 0, s); },
         "SetTiers: bstrVatNumber"},
        {"SetEsr",
         [](R* r, S* s) {
             return r->SetEsr(1, "01-162-8", "21 00000 00003 13947 14300 09017", "", nullptr,
                              nullptr, 30, s);
         },
         [](R* r, S* s) {
             return r->SetEsr(1, "01-162-8", "21 00000 00003 13947 14300 09018", "", nullptr,
                              nullptr, 30, s);
         },
         "SetEsr: bstrReferenceNumber"},
        {"SetEsrType",
         [](R* r, S* s) {
             return r->SetEsr(2, "010001628", "210000000003139471430009017", "", nullptr, nullptr,
                              0, s);
         },
         [](R* r, S* s) {
             return r->SetEsr(4, "01-162-8", "210000000003139471430009017", "", nullptr, nullptr, 0,
                              s);
         },
         "SetEsr: eEsrType 4 is not an orange slip type"},
        {"SetEsrParticipant",
         [](R* r, S* s) {
             return r->SetEsr(1, "01-162-8", "210000000003139471430009017", "", nullptr, nullptr, 0,
                              s);
         },
         [](R* r, S* s) {
             return r->SetEsr(1, "01-162-9", "210000000003139471430009017", "", nullptr, nullptr, 0,
                              s);
         },
         "SetEsr: bstrParticipantNumber"},
        {"SetEsrRed",
         [](R* r, S* s) {
             return r->SetEsrRed("01-162-8", kQrIban, "AB12345678", "Zeile 1\nZeile 2", nullptr,
                                 nullptr, 30, s);
         },
         [](R* r, S* s) {
             return r->SetEsrRed("01-162-8", "", "", "1\n2\n3\n4\n5", nullptr, nullptr, 30, s);
         },
         "SetEsrRed: bstrRemarks has more than four lines"},
        {"SetEsrRedAccount",
         [](R* r, S* s) { return r->SetEsrRed("01-162-8", "", "", "", nullptr, nullptr, 0, s); },
         [](R* r, S* s) { return r->SetEsrRed("01-162-7", "", "", "", nullptr, nullptr, 0, s); },
         "SetEsrRed: bstrPostAccount"},
        {"SetEsrQRType",
         [](R* r, S* s) {
             return r->SetEsrQR(5, kQrIban, kQrReference, "Danke", nullptr, nullptr, 30, s);
         },
         [](R* r, S* s) {
             return r->SetEsrQR(6, kQrIban, kQrReference, "", nullptr, nullptr, 30, s);
         },
         "SetEsrQR: eEsrType 6 is not a type of QR bill with reference"},
        {"SetEsrQRReference",
         [](R* r, S* s) {
             return r->SetEsrQR(4, "CH44 3199 9123 0008 8901 2", "21 00000 00003 13947 14300 09017",
                                "", nullptr, nullptr, 30, s);
         },
         [](R* r, S* s) {
             return r->SetEsrQR(4, kQrIban, "210000000003139471430009018", "", nullptr, nullptr, 30,
                                s);
         },
         "SetEsrQR: bstrIBAN and bstrReferenceNumber"},
        {"SetEsrQRWithoutReference",
         [](R* r, S* s) {
             return r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, 999, s);
         },
         [](R* r, S* s) { return r->SetEsrQR(4, kQrIban, "", "", nullptr, nullptr, 30, s); },
         "SetEsrQR: bstrReferenceNumber is required"},
        {"SetEsrQRPeriod",
         [](R* r, S* s) {
             return r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, 0, s);
         },
         [](R* r, S* s) {
             return r->SetEsrQR(4, kQrIban, kQrReference, "", nullptr, nullptr, -1, s);
         },
         "SetEsrQR: lPaymentPeriod -1 is outside 0 to 999"},
        {"SetEsrRedQR",
         [](R* r, S* s) {
             return r->SetEsrRedQR("CH5800791123000889012", "", "", nullptr, nullptr, 30, s);
         },
         [](R* r, S* s) { return r->SetEsrRedQR(kQrIban, "", "", nullptr, nullptr, 30, s); },
         "SetEsrRedQR: bstrIBAN the QR-IBAN"},
        {"SetBillerZsr",
         [](R* r, S* s) { return r->SetBiller(kBillerGln, "", "", "", nullptr, s); },
         [](R* r, S* s) { return r->SetBiller(kBillerGln, "c000002", "", "", nullptr, s); },
         "SetBiller: bstrZSR"},
        {"SetBillerNif",
         [](R* r, S* s) { return r->SetBiller(kBillerGln, "C000002", "1234567", "", nullptr, s); },
         [](R* r, S* s) { return r->SetBiller(kBillerGln, "", "12345678", "", nullptr, s); },
         "SetBiller: bstrNIF"},
        {"SetProviderZsr",
         [](R* r, S* s) { return r->SetProvider(kBillerGln, "H123456", "", "", nullptr, s); },
         [](R* r, S* s) { return r->SetProvider(kBillerGln, "", "", "", nullptr, s); },
         "SetProvider: bstrZSR"},
        {"SetInsurance", [](R* r, S* s) { return r->SetInsurance(kRecipientGln, nullptr, s); },
         [](R* r, S* s) { return r->SetInsurance("760100000000", nullptr, s); },
         "SetInsurance: bstrEAN"},
        {"SetPatientSex", [](R* r, S* s) { return r->SetPatient(1, kJune3, "", nullptr, s); },
         [](R* r, S* s) { return r->SetPatient(3, kJune3, "", nullptr, s); },
         "SetPatient: eSexType 3 is not a SexType value"},
        {"SetInsuredBirthdate",
         [](R* r, S* s) { return r->SetInsured(1, kJune3, "1234", nullptr, s); },
         [](R* r, S* s) { return r->SetInsured(1, 0, "", nullptr, s); }, "SetInsured: dBirthdate"},
        {"SetReferrer", [](R* r, S* s) { return r->SetReferrer("", "", "", "", nullptr, s); },
         [](R* r, S* s) { return r->SetReferrer("76010000000", "", "", "", nullptr, s); },
         "SetReferrer: bstrEAN"},
        {"SetEmployer", [](R* r, S* s) { return r->SetEmployer(kRecipientGln, "R-1", nullptr, s); },
         [](R* r, S* s) { return r->SetEmployer("", std::string(36, 'r'), nullptr, s); },
         "SetEmployer: bstrRegNumber"},
        {"SetCard",
         [](R* r, S* s) { return r->SetCard("80756000000000000000", kJune3, 0, "", "", s); },
         [](R* r, S* s) { return r->SetCard("", 0, 0, "", "", s); }, "SetCard: bstrCardID"},
        {"SetTreatmentCanton",
         [](R* r, S* s) { return r->SetTreatment("", "", kJune3, kJune3, 31, 2, 6, kJune3, s); },
         [](R* r, S* s) { return r->SetTreatment("", "", kJune3, kJune3, 32, 1, 1, 0, s); },
         "SetTreatment: eTreatmentCanton 32 is not a Canton value"},
        {"SetXtraHospital",
         [](R* r, S* s) { return r->SetXtraHospital(1, 0, 0, 2, 3, 5, "M100", 0, s); },
         [](R* r, S* s) { return r->SetXtraHospital(2, 0, 3, 1, 1, 1, "", 1, s); },
         "SetXtraHospital: dDateHospitalization a date is required"},
        {"SetLawIvg", [](R* r, S* s) { return r->SetLaw(3, kJune3, "12345678901234", "", s); },
         [](R* r, S* s) { return r->SetLaw(3, 0, "12345", "", s); },
         "SetLaw: bstrCaseID \"12345\" is not an IV case id"},
        {"SetLawType", [](R* r, S* s) { return r->SetLaw(6, 0, "", "", s); },
         [](R* r, S* s) { return r->SetLaw(7, 0, "", "", s); },
         "SetLaw: eLawType 7 is not a LawType value"},
        {"AddGrouperRecord", [](R* r, S* s) { return r->AddGrouperRecord(3, 999, "n", s); },
         [](R* r, S* s) { return r->AddGrouperRecord(3, 1000, "n", s); },
         "AddGrouperRecord: lNumber 1000 is outside 0 to 999"},
        {"AddBfSRecord", [](R* r, S* s) { return r->AddBfSRecord(4, 1, "n", s); },
         [](R* r, S* s) { return r->AddBfSRecord(4, 1, std::string(65, 'n'), s); },
         "AddBfSRecord: bstrName"},
        {"AddCaseDetail",
         [](R* r, S* s) { return r->AddCaseDetail("001", "A", kJune3, kJune3, "ACID", s); },
         [](R* r, S* s) { return r->AddCaseDetail("1", "A", kJune3, kJune3, "ACID", s); },
         "AddCaseDetail: bstrTariffType"},
        {"AddDiagnosisFreeText", [](R* r, S* s) { return r->AddDiagnosis(5, "", "Grippe", s); },
         [](R* r, S* s) { return r->AddDiagnosis(5, "", "", s); },
         "AddDiagnosis: bstrText the text must not be empty"},
        {"AddDiagnosisCode", [](R* r, S* s) { return r->AddDiagnosis(1, "J10.1", "", s); },
         [](R* r, S* s) { return r->AddDiagnosis(1, "", "Grippe", s); },
         "AddDiagnosis: bstrCode the text must not be empty"},
        {"AddInstruction", [](R* r, S* s) { return r->AddInstruction("t", "v", s); },
         [](R* r, S* s) { return r->AddInstruction("t", "", s); }, "AddInstruction: bstrValue"},
        {"AddDocumentUrl",
         [](R* r, S* s) {
             return r->AddDocument(1, "https://example.org/a/report.pdf", "Bericht",
                                   "application/pdf", s);
         },
         [](R* r, S* s) {
             return r->AddDocument(1, "https://example.org/a/report.doc", "Bericht",
                                   "application/msword", s);
         },
         "AddDocument: bstrMimeType"},
        {"AddDocumentFile",
         [](R* r, S* s) {
             return r->AddDocument(1, "https://example.org/x.png", "B", "image/png", s);
         },
         [](R* r, S* s) {
             return r->AddDocument(0, "/no/such/file.pdf", "B", "application/pdf", s);
         },
         "AddDocument: bstrSource \"/no/such/file.pdf\" is not an existing file"},
    };
}

class SetterTest : public RequestObjectTest, public ::testing::WithParamInterface<SetterCase> {};

TEST_P(SetterTest, TakesTheValidValueAndRefusesTheInvalidOne) {
    EXPECT_EQ(S_OK, GetParam().valid(request_.Get(), &status_)) << Abort();
    EXPECT_EQ(VARIANT_TRUE, status_);
    EXPECT_EQ(E_INVALIDARG, GetParam().invalid(request_.Get(), &status_));
    EXPECT_EQ(0u, Abort().find(GetParam().fragment)) << Abort();
}

TEST_P(SetterTest, NullStatusIsRefused) {
    EXPECT_EQ(E_POINTER, GetParam().valid(request_.Get(), nullptr));
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
    ASSERT_EQ(S_OK, request_->AddServiceEx(input.Get(), "001", "00.0010", "", 1, 1, Day(2020, 6, 3),
                                           0, 2, "K", 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0,
                                           0, &id, &status_))
        << Abort();
    EXPECT_EQ(2, id);
    EXPECT_EQ(3, build_.AddArticle("B", 1, 1, 0, 1));
}

TEST_F(RequestObjectTest, AddServiceExNeedsAServiceInputWithProviders) {
    long id = 0;
    ExpectRefused(
        request_->AddServiceEx(nullptr, "001", "00.0010", "", 1, 1, Day(2020, 6, 3), 0, 1, "K", 1,
                               1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, &id, &status_),
        "AddServiceEx: pIServiceExInput is required");
    ComPtr<IServiceExInput> bare;
    ASSERT_EQ(S_OK, request_->GetCreateServiceExInput("001", bare.ReleaseAndGetAddressOf()));
    ExpectRefused(
        request_->AddServiceEx(bare.Get(), "001", "00.0010", "", 1, 1, Day(2020, 6, 3), 0, 1, "K",
                               1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, &id, &status_),
        "AddServiceEx: pIServiceExInput provider EAN");
    ComPtr<IServiceExInput> input = build_.Physician("001");
    ExpectRefused(
        request_->AddServiceEx(input.Get(), "001", "00.0010", "", 1, 1, Day(2020, 6, 3), 0, 4, "K",
                               1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0, 0, &id, &status_),
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
    ASSERT_EQ(S_OK, request_->AddServiceEx(input.Get(), "001", "00.0010", "", 1, 1, Day(2020, 6, 3),
                                           0, 1, "K", 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, "", 1, "", 0,
                                           0, &ex, &status_));
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
