// The POST operations of IGeneralInvoiceResult over HTTP against the real
// service: the sample invoice built over HTTP, finalized, handed out as a
// result and read back with single, first/next and collection reads.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace {

using invoice_http::Answer;
using invoice_http::Handle;
using invoice_http::kRequest;
using invoice_http::kResult;
using invoice_http::Object;
using invoice_http::Text;

std::string Envelope(const Answer& answer, int code) {
    return ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, code);
}

// One service for the suite; each test builds its own invoice.
class PostResultTest : public SuiteServer<PostResultTest> {
  protected:
    void SetUp() override {
        SuiteServer::SetUp();
        manager_ = client_.Manager();
        ASSERT_GT(manager_, 0);
        request_ = client_.Request(manager_);
        ASSERT_GT(request_, 0);
    }

    // The sample invoice, finalized, as a result: from GetXML, else from
    // Print. 0 when the module hands out no result. `more` adds to the
    // invoice before it is finalized.
    int SampleResult(const std::function<void()>& more = nullptr) {
        invoice_http::SampleBuilder build(client_, request_);
        build.SetSections();
        build.AddServices();
        if (more) more();
        Answer finalized = client_.Post(kRequest, "Finalize", request_);
        EXPECT_EQ(200, finalized.status) << finalized.text;
        Answer xml = client_.Post(
            "ITarvos", "GetXML", manager_,
            Object({{"lGenerationAttributes", Handle(0)}, {"plTimestamp", Handle(0)}}));
        if (xml.status == 200 && xml.body.has_integer_field("pIGeneralInvoiceResult") &&
            xml.body.at("pIGeneralInvoiceResult").as_integer() > 0) {
            return xml.body.at("pIGeneralInvoiceResult").as_integer();
        }
        Answer print = client_.Post("ITarvos", "Print", manager_,
                                    Object({{"bstrPrintTemplate", Text("")},
                                            {"lGenerationAttributes", Handle(0)},
                                            {"eAddressRight", Handle(0)},
                                            {"eSortTimeTariff", Handle(0)},
                                            {"bstrSenderID", Text("")},
                                            {"plTimestamp", Handle(0)}}));
        if (print.status == 200 && print.body.has_integer_field("pIGeneralInvoiceResult")) {
            return print.body.at("pIGeneralInvoiceResult").as_integer();
        }
        return 0;
    }

    Answer Read(int result, const std::string& method,
                web::json::value args = web::json::value::object()) {
        return client_.Post(kResult, method, result, std::move(args));
    }

    // A read that succeeds (200); its body.
    web::json::value Good(int result, const std::string& method) {
        Answer answer = Read(result, method);
        EXPECT_EQ(200, answer.status) << method << ": " << answer.text;
        return answer.body;
    }

    invoice_http::Client client_{*server_};
    int manager_ = 0;
    int request_ = 0;
};

// Until the module hands out results (GetXML or Print), the reads cannot
// be reached over HTTP.
constexpr const char* kNoResult = "the module hands out no result yet (GetXML and Print refused)";

std::string S(const web::json::value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_string() ? body.at(key).as_string()
                                                           : "<missing " + std::string(key) + ">";
}
int I(const web::json::value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_integer() ? body.at(key).as_integer() : -99999;
}
double N(const web::json::value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_number() ? body.at(key).as_double() : -99999.0;
}
bool B(const web::json::value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_boolean() && body.at(key).as_bool();
}

TEST_F(PostResultTest, SectionsReadBackAsSet) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;

    web::json::value request = Good(result, "GetRequest");
    EXPECT_EQ(1, I(request, "peDataLanguage"));
    EXPECT_EQ(1, I(request, "peRoleType"));
    EXPECT_EQ(1, I(request, "pePlaceType"));
    EXPECT_EQ(0, I(request, "peIsStorno"));
    EXPECT_EQ(0, I(request, "peIsCopy"));
    EXPECT_EQ("", S(request, "pbstrRemark"));
    EXPECT_TRUE(B(request, "pbStatus"));

    web::json::value processing = Good(result, "GetProcessing");
    EXPECT_EQ(0, I(processing, "pePrintAtIntermediate"));
    EXPECT_EQ(0, I(processing, "ePrintGuarantorCopy"));  // written without a leading p
    EXPECT_EQ("", S(processing, "pbstrTCToken"));

    web::json::value transport = Good(result, "GetTransport");
    EXPECT_EQ(invoice_http::kBillerGln, S(transport, "pbstrFromEAN"));
    EXPECT_EQ(invoice_http::kRecipientGln, S(transport, "pbstrViaEAN"));
    EXPECT_EQ(invoice_http::kRecipientGln, S(transport, "pbstrToEAN"));

    web::json::value package = Good(result, "GetPackage");
    EXPECT_EQ("Elexis", S(package, "pbstrSoftwarePackage"));
    EXPECT_EQ(380, I(package, "plSoftwareVersion"));

    web::json::value invoice = Good(result, "GetInvoice");
    EXPECT_EQ("000001000001", S(invoice, "pbstrRequestInvoiceID"));
    EXPECT_EQ("2020-06-03T00:00:00", S(invoice, "pdRequestInvoiceDate"));
    EXPECT_EQ(1591170775, I(invoice, "plRequestInvoiceTimestamp"));

    // Sections the sample does not have: empty values, pbStatus false,
    // dates as the empty text.
    web::json::value credit = Good(result, "GetCredit");
    EXPECT_EQ("", S(credit, "pdRequestCreditDate"));
    EXPECT_FALSE(B(credit, "pbStatus"));
    EXPECT_FALSE(B(Good(result, "GetCard"), "pbStatus"));

    web::json::value tiers = Good(result, "GetTiers");
    EXPECT_EQ(1, I(tiers, "peTiersMode"));
    EXPECT_DOUBLE_EQ(0.0, N(tiers, "pdAmountPrepaid"));

    web::json::value balance = Good(result, "GetBalance");
    EXPECT_DOUBLE_EQ(5232.99, N(balance, "pdAmount"));
    EXPECT_DOUBLE_EQ(17.76, N(balance, "pdAmountObligatory"));
    EXPECT_DOUBLE_EQ(5233.0, N(balance, "pdAmountDue"));  // rounded to 0.05
    EXPECT_DOUBLE_EQ(260.98, N(balance, "pdAmountVat"));
    EXPECT_TRUE(B(balance, "pbStatus"));

    web::json::value law = Good(result, "GetLaw");
    EXPECT_EQ(4, I(law, "peLawType"));
    EXPECT_EQ("", S(law, "pdCaseDate"));
    EXPECT_EQ("123456", S(law, "pbstrCaseID"));
    EXPECT_EQ("123456", S(law, "pbstrInsuredID"));

    web::json::value treatment = Good(result, "GetTreatment");
    EXPECT_EQ("2020-06-03T00:00:00", S(treatment, "pdDateBegin"));
    EXPECT_EQ("2020-06-03T00:00:00", S(treatment, "pdDateEnd"));
    EXPECT_EQ(1, I(treatment, "peTreatmentCanton"));
    EXPECT_EQ(1, I(treatment, "peTreatmentReason"));
    EXPECT_EQ("", S(treatment, "pdGestationWeek13"));
}

TEST_F(PostResultTest, PaymentSlipAnswersPresenceFlags) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;
    EXPECT_EQ(4, I(Good(result, "GetEsrType"), "peEsrType"));
    web::json::value qr = Good(result, "GetEsrQR");
    EXPECT_EQ(4, I(qr, "peEsrType"));
    EXPECT_EQ(invoice_http::kQrIban, S(qr, "pbstrIBAN"));
    EXPECT_EQ(invoice_http::kQrReference, S(qr, "pbstrReferenceNumber"));
    EXPECT_EQ("", S(qr, "bstrCustomerNote"));  // written without a leading p
    EXPECT_EQ(1, I(qr, "pIBankAddress"));
    EXPECT_EQ(1, I(qr, "pICreditorAddress"));
    EXPECT_EQ(30, I(qr, "plPaymentPeriod"));
    EXPECT_TRUE(B(qr, "pbStatus"));

    // Another kind of slip: no addresses, pbStatus false.
    web::json::value esr = Good(result, "GetEsr");
    EXPECT_EQ(0, I(esr, "pIBankAddress"));
    EXPECT_EQ(0, I(esr, "pICreditorAddress"));
    EXPECT_FALSE(B(esr, "pbStatus"));
}

TEST_F(PostResultTest, PartiesAnswerAddressObjects) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;

    web::json::value biller = Good(result, "GetBiller");
    EXPECT_EQ(invoice_http::kBillerGln, S(biller, "pbstrEAN"));
    EXPECT_EQ("C000002", S(biller, "pbstrZSR"));
    EXPECT_EQ("Allgemein", S(biller, "pbstrSpecialty"));
    ASSERT_TRUE(biller.at("pIAddress").is_object()) << biller.serialize();
    const web::json::value& mandant = biller.at("pIAddress");
    EXPECT_TRUE(B(mandant, "pbIsPrivateAddress"));
    EXPECT_EQ("Mandant.tarmed", S(mandant, "pbstrFamilyname"));
    EXPECT_EQ("Mandant.tarmed", S(mandant, "pbstrGivenname"));
    EXPECT_EQ("Frau", S(mandant, "pbstrSalutation"));
    EXPECT_EQ("", S(mandant, "pbstrCompanyName"));
    EXPECT_EQ("0000", S(mandant, "pbstrZip"));
    EXPECT_EQ("Unbekannt", S(mandant, "pbstrCity"));
    EXPECT_EQ("NDF", S(mandant, "pbstrCountryCode"));
    EXPECT_FALSE(mandant.has_field("pbstrPhone1"));

    web::json::value patient = Good(result, "GetPatient");
    EXPECT_EQ(2, I(patient, "peSexType"));
    EXPECT_EQ("1957-04-14T00:00:00", S(patient, "pdBirthdate"));
    EXPECT_EQ(invoice_http::kPatientSsn, S(patient, "pbstrSSN"));
    ASSERT_TRUE(patient.at("pIAddress").is_object()) << patient.serialize();
    EXPECT_EQ("Spitzkiel", S(patient.at("pIAddress"), "pbstrFamilyname"));
    EXPECT_EQ("555-555 55 55", S(patient.at("pIAddress"), "pbstrPhone1"));

    EXPECT_EQ(biller.at("pIAddress"), Good(result, "GetProvider").at("pIAddress"));
    EXPECT_EQ(patient.at("pIAddress"), Good(result, "GetGuarantor").at("pIAddress"));
    web::json::value debitor = Good(result, "GetDebitor");
    EXPECT_EQ(invoice_http::kRecipientGln, S(debitor, "pbstrEAN"));
    EXPECT_EQ(patient.at("pIAddress"), debitor.at("pIAddress"));

    // Parties the sample does not have: the number 0.
    web::json::value insurance = Good(result, "GetInsurance");
    EXPECT_EQ(0, I(insurance, "pIAddress"));
    EXPECT_FALSE(B(insurance, "pbStatus"));
    EXPECT_EQ(0, I(Good(result, "GetEmployer"), "pIAddress"));
}

// Element k of a collection equals the k-th first/next read, but for the
// reference code's key and pbStatus.
void ExpectSameLine(web::json::value element, web::json::value read) {
    EXPECT_TRUE(B(element, "pbStatus"));
    EXPECT_TRUE(element.has_field("pbstrTariffRefCode"));
    EXPECT_FALSE(element.has_field("pbstrReferenceCode"));
    web::json::value code = element.at("pbstrTariffRefCode");  // a copy: the insert moves members
    element["pbstrReferenceCode"] = code;
    element.erase("pbstrTariffRefCode");
    EXPECT_EQ(read, element) << read.serialize() << "\n" << element.serialize();
}

TEST_F(PostResultTest, ServicesByCollectionAndByFirstNext) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;

    Answer services = Read(result, "GetServices");
    ASSERT_EQ(200, services.status) << services.text;
    ASSERT_TRUE(services.body.is_array());
    ASSERT_EQ(4u, services.body.size());
    const web::json::value& ga = services.body.at(0);
    EXPECT_EQ("999", S(ga, "pbstrTariffType"));
    EXPECT_EQ("GA", S(ga, "pbstrCode"));
    EXPECT_EQ("", S(ga, "pbstrTariffRefCode"));
    EXPECT_EQ("Gutachten A", S(ga, "pbstrText"));
    EXPECT_EQ("2020-06-03T00:00:00", S(ga, "pdDateBegin"));
    EXPECT_EQ("", S(ga, "pdDateEnd"));
    EXPECT_DOUBLE_EQ(2700.0, N(ga, "pdAmount"));
    EXPECT_DOUBLE_EQ(8.0, N(ga, "pdVatRate"));
    EXPECT_EQ(2, I(ga, "plID"));
    EXPECT_EQ(invoice_http::kBillerGln, S(ga, "pbstrProviderEAN"));
    EXPECT_DOUBLE_EQ(0.5, N(services.body.at(3), "pdQuantity"));
    EXPECT_DOUBLE_EQ(5.08, N(services.body.at(3), "pdAmount"));

    // The same lines one by one; then the end of the list.
    for (size_t k = 0; k < 4; ++k) {
        Answer line = Read(result, k == 0 ? "GetFirstService" : "GetNextService");
        ASSERT_EQ(200, line.status) << line.text;
        EXPECT_TRUE(B(line.body, "pbStatus"));
        ExpectSameLine(services.body.at(k), line.body);
    }
    Answer end = Read(result, "GetNextService");
    EXPECT_EQ(204, end.status) << end.text;

    Answer extended = Read(result, "GetServicesEx");
    ASSERT_EQ(200, extended.status) << extended.text;
    ASSERT_EQ(1u, extended.body.size());
    const web::json::value& consultation = extended.body.at(0);
    EXPECT_EQ("00.0010", S(consultation, "pbstrCode"));
    EXPECT_DOUBLE_EQ(9.57, N(consultation, "pdAmountMT"));
    EXPECT_DOUBLE_EQ(8.19, N(consultation, "pdAmountTT"));
    EXPECT_DOUBLE_EQ(17.76, N(consultation, "pdAmount"));
    EXPECT_EQ(1, I(consultation, "peIsObligatory"));
    EXPECT_EQ(3, I(consultation, "peBillingRole"));
    EXPECT_EQ(1, I(consultation, "peMedicalRole"));
    EXPECT_EQ(1, I(consultation, "plID"));
    Answer firstEx = Read(result, "GetFirstServiceEx");
    ASSERT_EQ(200, firstEx.status) << firstEx.text;
    ExpectSameLine(consultation, firstEx.body);
    EXPECT_EQ(204, Read(result, "GetNextServiceEx").status);
}

TEST_F(PostResultTest, VatLinesAndTheirEnd) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;
    Answer vats = Read(result, "GetVats");
    ASSERT_EQ(200, vats.status) << vats.text;
    ASSERT_EQ(3u, vats.body.size()) << vats.text;
    double vat = 0;
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(B(vats.body.at(k), "pbStatus"));
        vat += N(vats.body.at(k), "pdVat");
        Answer line = Read(result, k == 0 ? "GetFirstVat" : "GetNextVat");
        ASSERT_EQ(200, line.status) << line.text;
        EXPECT_EQ(vats.body.at(k), line.body);
    }
    EXPECT_NEAR(260.98, vat, 1e-9);

    // Past the end: 204, and again.
    Answer end = Read(result, "GetNextVat");
    EXPECT_EQ(204, end.status) << end.text;
    EXPECT_EQ(204, Read(result, "getnextvat").status);
}

TEST_F(PostResultTest, EmptyListsAnswer204WithNull) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;
    for (const char* method : {"GetGrouperRecords", "GetBfSRecords", "GetCaseDetails",
                               "GetInstructions", "GetDocuments"}) {
        SCOPED_TRACE(method);
        Answer answer = Read(result, method);
        EXPECT_EQ(204, answer.status) << answer.text;
        EXPECT_TRUE(answer.body.is_null()) << answer.text;
    }
    Answer diagnoses = Read(result, "GetDiagnoses");
    ASSERT_EQ(200, diagnoses.status) << diagnoses.text;
    ASSERT_EQ(1u, diagnoses.body.size());
    EXPECT_EQ(4, I(diagnoses.body.at(0), "peDiagnosisType"));
    EXPECT_EQ("A1", S(diagnoses.body.at(0), "pbstrCode"));
    EXPECT_EQ(204, Read(result, "GetFirstDocument").status);
}

TEST_F(PostResultTest, EveryOperationWithAnEmptyBody) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;
    for (const char* method : {"GetServices",
                               "GetServicesEx",
                               "GetVats",
                               "GetGrouperRecords",
                               "GetBfSRecords",
                               "GetCaseDetails",
                               "GetInstructions",
                               "GetDiagnoses",
                               "GetDocuments",
                               "GetRequest",
                               "GetProcessing",
                               "GetTransport",
                               "GetPackage",
                               "GetCredit",
                               "GetInvoice",
                               "GetReminder",
                               "GetTiers",
                               "GetBalance",
                               "GetFirstVat",
                               "GetNextVat",
                               "GetEsrType",
                               "GetEsr",
                               "GetEsrRed",
                               "GetEsrQR",
                               "GetEsrRedQR",
                               "GetBiller",
                               "GetProvider",
                               "GetInsurance",
                               "GetPatient",
                               "GetInsured",
                               "GetGuarantor",
                               "GetDebitor",
                               "GetReferrer",
                               "GetEmployer",
                               "GetTreatment",
                               "GetXtraHospital",
                               "GetLaw",
                               "GetCard",
                               "GetFirstGrouperRecord",
                               "GetNextGrouperRecord",
                               "GetFirstBfSRecord",
                               "GetNextBfSRecord",
                               "GetFirstCaseDetail",
                               "GetNextCaseDetail",
                               "GetFirstDiagnosis",
                               "GetNextDiagnosis",
                               "GetFirstInstruction",
                               "GetNextInstruction",
                               "GetFirstDocument",
                               "GetNextDocument",
                               "GetFirstServiceEx",
                               "GetNextServiceEx",
                               "GetFirstService",
                               "GetNextService",
                               "GetAbortInfo"}) {
        SCOPED_TRACE(method);
        Answer answer = Read(result, method);
        EXPECT_TRUE(answer.status == 200 || answer.status == 204) << answer.text;
    }
    for (const char* method : {"GetXtraDrug", "GetXtraDRG"}) {
        EXPECT_EQ(std::string("The variable [lID] could not be extracted from the JSON of "
                              "[IGeneralInvoiceResult::") +
                      method + "]",
                  Envelope(Read(result, method), 408));
    }
    // A line without drug details.
    web::json::value drug = Read(result, "GetXtraDrug", Object({{"lID", Handle(2)}})).body;
    EXPECT_FALSE(B(drug, "pbStatus")) << drug.serialize();
    EXPECT_TRUE(drug.has_field("pbstrIOCM"));
}

TEST_F(PostResultTest, TargetsThatAreNoLiveResultAreRefused) {
    // The request's handle, negative, beyond 32 bits, garbage text, none.
    for (const std::string& handle :
         {std::to_string(request_), std::string("-5"), std::string("99999999999"),
          std::string("\"x1!\""), std::string("0"), std::string("[1]")}) {
        SCOPED_TRACE(handle);
        Answer answer =
            client_.Post(kResult, "GetBalance", "{\"pIGeneralInvoiceResult\":" + handle + "}");
        EXPECT_EQ(400, answer.status) << answer.text;
        ASSERT_TRUE(answer.body.is_object()) << answer.text;
        EXPECT_EQ(2u, answer.body.size()) << answer.text;
        int code = answer.body.has_integer_field("abortCode")
                       ? answer.body.at("abortCode").as_integer()
                       : 0;
        EXPECT_TRUE(code == 402 || code == 407 || code == 410) << answer.text;
    }
}

TEST_F(PostResultTest, UnknownMethodIs403) {
    int result = SampleResult();
    if (result == 0) GTEST_SKIP() << kNoResult;
    EXPECT_EQ("The given interface method [IGeneralInvoiceResult::GetService] does not exist",
              Envelope(Read(result, "GetService"), 403));
}

// Documents: a URL is answered as given, a file by its download link.
TEST_F(PostResultTest, DocumentSourcesAreUrlsOrDownloadLinks) {
    std::string png = server_->folder() + "scan.png";
    {
        std::FILE* file = std::fopen(png.c_str(), "wb");
        ASSERT_NE(nullptr, file);
        const unsigned char header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        std::fwrite(header, 1, sizeof header, file);
        std::fclose(file);
    }
    int result = SampleResult([&] {
        client_.Call(kRequest, "AddDocument", request_,
                     Object({{"eIsURL", Handle(1)},
                             {"bstrSource", Text("https://example.org/report.pdf")},
                             {"bstrTitle", Text("Bericht")},
                             {"bstrMimeType", Text("application/pdf")}}));
        client_.Call(kRequest, "AddDocument", request_,
                     Object({{"eIsURL", Handle(0)},
                             {"bstrSource", Text(png)},
                             {"bstrTitle", Text("Scan")},
                             {"bstrMimeType", Text("image/png")}}));
    });

    if (result == 0) GTEST_SKIP() << kNoResult;
    Answer documents = Read(result, "GetDocuments");
    ASSERT_EQ(200, documents.status) << documents.text;
    ASSERT_EQ(2u, documents.body.size()) << documents.text;
    EXPECT_EQ("https://example.org/report.pdf", S(documents.body.at(0), "pbstrSource"));
    EXPECT_EQ("application/pdf", S(documents.body.at(0), "pbstrMimeType"));
    std::string link = S(documents.body.at(1), "pbstrSource");
    EXPECT_EQ(0u, link.find("/tarvosServer450/files/")) << documents.text;
    EXPECT_EQ("image/png", S(documents.body.at(1), "pbstrMimeType"));
    Answer first = Read(result, "GetFirstDocument");
    ASSERT_EQ(200, first.status) << first.text;
    EXPECT_EQ(documents.body.at(0), first.body);
}

}  // namespace
