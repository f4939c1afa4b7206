// The invoice over HTTP against the real service: the published sample
// built call by call on a request, finalized, written by GetXML and read
// back from the result it hands out with single, first/next and collection
// reads; what the request's calls make of handle and missing members.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/integration/invoice_over_http.h"
#include "tests/integration/suite_server.h"

namespace {

using namespace invoice_http;

// One service and one written sample for the suite.
class PostResultTest : public SuiteServer<PostResultTest> {
  protected:
    static void SetUpTestSuite() {
        SuiteServer::SetUpTestSuite();
        Client client(*server_);
        manager_ = client.Manager();
        web::json::value written = WrittenSample(client, manager_, &request_);
        result_ = written.has_field("pIGeneralInvoiceResult")
                      ? written.at("pIGeneralInvoiceResult").as_integer()
                      : 0;
    }
    void SetUp() override {
        SuiteServer::SetUp();
        ASSERT_GT(result_, 0);
    }
    Answer Read(const std::string& method, const std::string& args = "{}", int result = 0) {
        return client_.Post(kResult, method, result != 0 ? result : result_, args);
    }

    Client client_{*server_};
    static inline int manager_ = 0, request_ = 0, result_ = 0;
};

// The address object of a party of the sample.
std::string Party(const std::string& family, const std::string& given, const std::string& phone) {
    return Fill(R"({"pbIsPrivateAddress":true,"pbstrCity":"Unbekannt","pbstrCompanyName":"",)"
                R"("pbstrCountryCode":"NDF","pbstrDepartment":"","pbstrEMail":"",)"
                R"("pbstrFamilyname":"$","pbstrFax":"","pbstrGivenname":"$",$"pbstrPoBox":"",)"
                R"("pbstrSalutation":"Frau","pbstrStateCode":"","pbstrStreet":"",)"
                R"("pbstrSubaddressing":"","pbstrTitle":"","pbstrUrl":"","pbstrZip":"0000"})",
                {family, given, phone.empty() ? "" : R"("pbstrPhone1":")" + phone + R"(",)"});
}

TEST_F(PostResultTest, FinalizeAnswersTheRoundingDifference) {
    Answer finalized = client_.Post(kRequest, "Finalize", request_);
    ASSERT_EQ(200, finalized.status) << finalized.text;
    EXPECT_EQ(2u, finalized.body.size()) << finalized.text;
    EXPECT_TRUE(finalized.body.at("pbStatus").as_bool());
    EXPECT_NEAR(0.0, finalized.body.at("pdRoundDifference").as_double(), 0.025);
}

TEST_F(PostResultTest, ReadsAnswerTheInvoiceAsBuilt) {
    const std::string mandant = Party("Mandant.tarmed", "Mandant.tarmed", "");
    const std::string patient = Party("Spitzkiel", "Beatrice", "555-555 55 55");
    const std::string biller =
        Fill(R"({"pIAddress":$,"pbStatus":true,"pbstrEAN":"$",)"
             R"("pbstrNIF":"","pbstrSpecialty":"Allgemein","pbstrZSR":"C000002"})",
             {mandant, kBillerGln});
    const std::pair<const char*, std::string> reads[] = {
        {"GetRequest",
         R"({"pbStatus":true,"pbstrRemark":"","pbstrRoleTitle":"","peDataLanguage":1,)"
         R"("peIsCopy":0,"peIsStorno":0,"pePlaceType":1,"peRoleType":1})"},
        // Written without a leading "p": ePrintGuarantorCopy, bstrCustomerNote.
        {"GetProcessing", R"({"ePrintGuarantorCopy":0,"pbStatus":true,"pbstrTCToken":"",)"
                          R"("pePrintAtIntermediate":0})"},
        {"GetTransport",
         Fill(
             R"({"pbStatus":true,"pbstrFromEAN":"$","pbstrFromPFXFile":"","pbstrFromPFXPassword":"",)"
             R"("pbstrToBinDERFile":"","pbstrToEAN":"$","pbstrViaEAN":"$"})",
             {kBillerGln, kRecipientGln, kRecipientGln})},
        {"GetPackage", R"({"pbStatus":true,"pbstrSoftwareCopyright":"","pbstrSoftwarePackage":)"
                       R"("Elexis","plSoftwareID":0,"plSoftwareVersion":380})"},
        {"GetInvoice", R"({"pbStatus":true,"pbstrRequestInvoiceID":"000001000001",)"
                       R"("pdRequestInvoiceDate":"2020-06-03T00:00:00",)"
                       R"("plRequestInvoiceTimestamp":1591170775})"},
        // Sections the sample lacks: empty values, dates as "", status false.
        {"GetCredit", R"({"pbStatus":false,"pbstrRequestCreditID":"","pdRequestCreditDate":"",)"
                      R"("plRequestCreditTimestamp":0})"},
        {"GetTiers",
         R"({"pbStatus":true,"pbstrVatNumber":"","pdAmountPrepaid":0,"peTiersMode":1})"},
        // The amount due rounded to 0.05.
        {"GetBalance", R"({"pbStatus":true,"pdAmount":5232.99,"pdAmountDue":5233,)"
                       R"("pdAmountObligatory":17.76,"pdAmountPrepaid":0,"pdAmountReminder":0,)"
                       R"("pdAmountVat":254.02})"},
        {"GetLaw", R"({"pbStatus":true,"pbstrCaseID":"123456","pbstrInsuredID":"123456",)"
                   R"("pdCaseDate":"","peLawType":4})"},
        {"GetTreatment", R"({"pbStatus":true,"pbstrACID":"","pbstrAPID":"",)"
                         R"("pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":"2020-06-03T00:00:00",)"
                         R"("pdGestationWeek13":"","peTreatmentCanton":1,"peTreatmentReason":1,)"
                         R"("peTreatmentType":1})"},
        {"GetEsrType", R"({"pbStatus":true,"peEsrType":4})"},
        // The slip's addresses as presence flags.
        {"GetEsrQR", Fill(R"({"bstrCustomerNote":"","pIBankAddress":1,"pICreditorAddress":1,)"
                          R"("pbStatus":true,"pbstrIBAN":"$","pbstrReferenceNumber":"$",)"
                          R"("peEsrType":4,"plPaymentPeriod":30})",
                          {kQrIban, kQrReference})},
        {"GetEsr", R"({"pIBankAddress":0,"pICreditorAddress":0,"pbStatus":false,)"
                   R"("pbstrBankAccount":"","pbstrParticipantNumber":"","pbstrReferenceNumber":"",)"
                   R"("peEsrType":0,"plPaymentPeriod":0})"},
        // Parties: their address as an object, 0 for parties the sample lacks.
        {"GetBiller", biller},
        {"GetProvider", biller},
        {"GetPatient", Fill(R"({"pIAddress":$,"pbStatus":true,"pbstrSSN":"$",)"
                            R"("pdBirthdate":"1957-04-14T00:00:00","peSexType":2})",
                            {patient, kPatientSsn})},
        {"GetGuarantor", Fill(R"({"pIAddress":$,"pbStatus":true})", {patient})},
        {"GetDebitor",
         Fill(R"({"pIAddress":$,"pbStatus":true,"pbstrEAN":"$"})", {patient, kRecipientGln})},
        {"GetInsurance", R"({"pIAddress":0,"pbStatus":false,"pbstrEAN":""})"},
        // A line without drug details.
        {"GetXtraDrug", R"({"pbStatus":false,"pbstrIOCM":"","peDelivery":0,"peHasLimitation":0,)"
                        R"("peIsIndicated":0,"plRegulationAttributes":0})"},
    };
    for (const auto& read : reads) {
        Answer answer =
            Read(read.first, std::string(read.first) == "GetXtraDrug" ? R"({"lID":2})" : "{}");
        EXPECT_EQ(200, answer.status) << read.first;
        EXPECT_EQ(Json(read.second), answer.body) << read.first << ": " << answer.text;
    }
}

struct List {
    const char* all;
    const char* first;
    const char* next;
    std::string expected;  // every element holds these members
};

TEST_F(PostResultTest, ListsByCollectionAndByFirstNext) {
    const std::string service =
        R"({"pbStatus":true,"pbstrCode":"$","pbstrTariffRefCode":"","pbstrTariffType":"$",)"
        R"("pbstrText":"$","pdAmount":$,"pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":"",)"
        R"("pdQuantity":$,"pdVatRate":$,"plID":$,"pbstrProviderEAN":"$"})";
    const List lists[] = {
        {"GetServices", "GetFirstService", "GetNextService",
         "[" + Fill(service, {"GA", "999", "Gutachten A", "2700", "1", "7.7", "2", kBillerGln}) +
             "," +
             Fill(service, {"GB", "999", "Gutachten B", "2500", "1", "2.5", "3", kBillerGln}) +
             "," +
             Fill(service,
                  {"123456789", "999", "test article", "10.15", "1", "0", "4", kBillerGln}) +
             "," +
             Fill(service, {"1234567890", "999", "test article fractional", "5.08", "0.5", "0", "5",
                            kBillerGln}) +
             "]"},
        {"GetServicesEx", "GetFirstServiceEx", "GetNextServiceEx",
         R"([{"pbstrCode":"00.0010","pdAmountMT":9.57,"pdAmountTT":8.19,"pdAmount":17.76,)"
         R"("peIsObligatory":1,"peBillingRole":3,"peMedicalRole":1,"plID":1,"pbStatus":true}])"},
        {"GetVats", "GetFirstVat", "getnextvat",
         R"([{"pbStatus":true,"pdVat":0,"pdVatRate":0},{"pbStatus":true,"pdVat":60.98,)"
         R"("pdVatRate":2.5},{"pbStatus":true,"pdVat":193.04,"pdVatRate":7.7}])"},
        {"GetDiagnoses", "GetFirstDiagnosis", "GetNextDiagnosis",
         R"([{"pbStatus":true,"pbstrCode":"A1","pbstrText":"","peDiagnosisType":4}])"},
    };
    for (const List& list : lists) {
        SCOPED_TRACE(list.all);
        Answer all = Read(list.all);
        ASSERT_EQ(200, all.status) << all.text;
        web::json::value expected = Json(list.expected);
        ASSERT_EQ(expected.size(), all.body.size()) << all.text;
        for (size_t k = 0; k < expected.size(); ++k) {
            ExpectMembers(expected.at(k).serialize(), all.body.at(k));
            Answer read = Read(k == 0 ? list.first : list.next);
            EXPECT_EQ(200, read.status);
            EXPECT_EQ(AsRead(all.body.at(k)), read.body) << read.text;
        }
        ExpectEnd(Read(list.next));
        ExpectEnd(Read(list.next));
    }
    for (const char* method : {"GetGrouperRecords", "GetBfSRecords", "GetCaseDetails",
                               "GetInstructions", "GetDocuments", "GetFirstDocument"}) {
        SCOPED_TRACE(method);
        ExpectEnd(Read(method));
    }
}

// An invoice of one article without VAT and two documents: one VAT line at
// rate 0; a document given by URL is answered as given, one given as a file
// by its download link.
TEST_F(PostResultTest, DocumentsAndTheVatLineAtRateZero) {
    std::string png = server_->folder() + "scan.png";
    std::FILE* file = std::fopen(png.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fputs("\x89PNG\r\n\x1a\n", file);
    std::fclose(file);
    int request = client_.Request(manager_);
    BuildSampleSections(client_, request);
    const std::pair<const char*, std::string> calls[] = {
        {"AddService", Article("123456789", "test article", "1", "10.15", "10.15", "0")},
        {"AddDocument", R"({"eIsURL":1,"bstrSource":"https://example.org/report.pdf",)"
                        R"("bstrTitle":"Bericht","bstrMimeType":"application/pdf"})"},
        {"AddDocument",
         Fill(R"({"eIsURL":0,"bstrSource":"$","bstrTitle":"Scan","bstrMimeType":"image/png"})",
              {png})},
        {"Finalize", "{}"},
    };
    for (const auto& call : calls) client_.Call(kRequest, call.first, request, call.second);
    web::json::value written = client_.Call(kManager, "GetXML", manager_,
                                            R"({"lGenerationAttributes":0,"plTimestamp":0})");
    int result = written.at("pIGeneralInvoiceResult").as_integer();

    Answer vats = Read("GetVats", "{}", result);
    EXPECT_EQ(Json(R"([{"pbStatus":true,"pdVat":0,"pdVatRate":0}])"), vats.body) << vats.text;
    EXPECT_EQ(200, Read("GetFirstVat", "{}", result).status);
    ExpectEnd(Read("GetNextVat", "{}", result));

    Answer documents = Read("GetDocuments", "{}", result);
    ASSERT_EQ(2u, documents.body.size()) << documents.text;
    ExpectMembers(R"({"pbstrSource":"https://example.org/report.pdf","pbstrTitle":"Bericht",)"
                  R"("pbstrMimeType":"application/pdf"})",
                  documents.body.at(0));
    std::string link = documents.body.at(1).at("pbstrSource").as_string();
    EXPECT_EQ(0u, link.find("/tarvosServer450/files/")) << documents.text;
    EXPECT_EQ(documents.body.at(0), Read("GetFirstDocument", "{}", result).body);
}

// Handle members: 0 and a handle that names nothing pass no address; the
// two addresses of a slip are read each on its own.
TEST_F(PostResultTest, AddressHandlesThatNameNothingPassNoAddress) {
    int request = client_.Request(manager_);
    BuildSampleSections(client_, request);
    client_.Call(kRequest, "SetPatient", request,
                 R"({"eSexType":2,"dBirthdate":"1957-04-14","bstrSSN":"","pIAddress":0})");
    client_.Call(kRequest, "SetGuarantor", request, R"({"pIAddress":987654})");
    // An empty address is one with missing parts, no address is missing.
    std::string empty = NewAddress(client_, request, {});
    for (bool noBank : {true, false}) {
        client_.Call(kRequest, "SetEsrQR", request,
                     Fill(R"({"eEsrType":4,"bstrIBAN":"$","bstrReferenceNumber":"$",)"
                          R"("bstrCustomerNote":"","pIBankAddress":$,"pICreditorAddress":$,)"
                          R"("lPaymentPeriod":30})",
                          {kQrIban, kQrReference, noBank ? "0" : empty, noBank ? empty : "0"}));
        std::string text = ExpectEnvelope(client_.Post(kRequest, "Finalize", request), kFail);
        EXPECT_NE(std::string::npos, text.find("missing: address of the patient (SetPatient); "
                                               "address of the guarantor (SetGuarantor); "))
            << text;
        std::string none = noBank ? "bank" : "creditor", some = noBank ? "creditor" : "bank";
        EXPECT_NE(std::string::npos, text.find("address of the " + none + " (SetEsrQR)")) << text;
        EXPECT_NE(std::string::npos, text.find("address of the " + some + ": zip")) << text;
    }
}

TEST_F(PostResultTest, MissingLastMemberCallsNothing) {
    int request = client_.Request(manager_);
    client_.Call(kRequest, "Initialize", request, R"({"eDataLanguage":1})");
    web::json::value consultation = Json(Consultation(client_.ServiceInput(request)));
    consultation.erase("lServiceAttributes");
    EXPECT_EQ(
        "The variable [lServiceAttributes] could not be extracted from the JSON of "
        "[IGeneralInvoiceRequest::AddServiceEx]",
        ExpectEnvelope(client_.Post(kRequest, "AddServiceEx", request, consultation.serialize()),
                       408));
    // Nothing was added: the next service is record 1.
    EXPECT_EQ(Json("1"), client_
                             .Call(kRequest, "AddService", request,
                                   Article("GA", "Gutachten A", "1", "2700", "2700", "8"))
                             .at("plID"));
}

}  // namespace
