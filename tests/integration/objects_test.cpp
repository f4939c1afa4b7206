// The module's objects against the real service: values set by POST and
// read back, lists read one by one and as a whole with their ends, the
// written invoice read back from its result, properties by GET and PUT,
// the refusals of the module and of the service as error replies, and
// releases.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/integration/invoice_over_http.h"

namespace {

using namespace invoice_http;

// One service with the written sample for the suite; each test makes its
// own manager and request, with one address and one service input on it.
class ObjectsTest : public SampleServer<ObjectsTest> {
  protected:
    void SetUp() override {
        SampleServer::SetUp();
        own_[kManager] = client_.Manager();
        own_[kRequest] = client_.Request(own_[kManager]);
        own_[kAddress] = client_.Address(own_[kRequest]);
        own_[kInput] = client_.ServiceInput(own_[kRequest]);
        own_[kResult] = result_;
    }
    Answer Post(const std::string& interfaceName, const std::string& method,
                const std::string& args = "{}") {
        return client_.Post(interfaceName, method, own_[interfaceName], args);
    }
    // GET or PUT of `method` on this test's object of `interfaceName`.
    Answer Get(const std::string& interfaceName, const std::string& method) {
        return client_.Get(interfaceName, method,
                           "p" + interfaceName + "=" + std::to_string(own_[interfaceName]));
    }
    Answer Put(const std::string& interfaceName, const std::string& method,
               const std::string& more = "") {
        return client_.Put(
            interfaceName, method,
            "{\"p" + interfaceName + "\":" + std::to_string(own_[interfaceName]) + more + "}");
    }

    Client client_{*server_};
    std::map<std::string, int> own_;
};

// The reply of a read of what `args` set: pbStatus true and each member
// under "p" + its name (handles under theirs), then the members of
// `converted` in their place (null: not answered; "" for none).
web::json::value ReadAfter(const std::string& args, const std::string& converted) {
    web::json::value reply = Json(R"({"pbStatus":true})"), given = Json(args),
                     other = Json(converted.empty() ? "{}" : converted);
    for (const auto& [name, value] : given.as_object()) {
        reply[name.compare(0, 2, "pI") == 0 ? name : "p" + name] = value;
    }
    for (const auto& [name, value] : other.as_object()) {
        if (value.is_null()) {
            reply.erase(name);
        } else {
            reply[name] = value;
        }
    }
    return reply;
}

struct RoundTrip {
    const char* interfaceName;
    const char* set;
    std::string args;
    const char* get;
    std::string converted = "{}";  // the members the read answers other than given
};

TEST_F(ObjectsTest, ValuesAreReadBackAsSet) {
    const RoundTrip trips[] = {
        // Umlauts travel as UTF-8 both ways.
        {kAddress, "SetPerson",
         R"({"bstrFamilyname":"Müller","bstrGivenname":"Anna","bstrSalutation":"Frau",)"
         R"("bstrTitle":"Dr. med.","bstrSubaddressing":"c/o Praxis"})",
         "GetPerson"},
        // A number for a text is its text.
        {kAddress, "SetPostal",
         R"({"bstrStreet":"Zürichstrasse 5","bstrPoBox":"Postfach 12","bstrZip":8001,)"
         R"("bstrCity":"Zürich","bstrStateCode":"ZH","bstrCountryCode":"CH"})",
         "GetPostal", R"({"pbstrZip":"8001"})"},
        // Method names in any case.
        {kAddress, "setonline", R"({"bstrEMail":"praxis@example.ch","bstrUrl":"https://x.ch/p"})",
         "GETONLINE"},
        {kInput, "SetPhysician",
         Fill(R"({"eMedicalRole":2,"eBillingRole":3,"bstrEanNumberProvider":"$",)"
              R"("bstrEanNumberResponsible":"$"})",
              {kBillerGln, kRecipientGln}),
         "GetPhysician"},
        // Enumerations given as decimal text.
        {kInput, "SetTreatment",
         Fill(R"({"eCanton":"4","eLaw":3,"eTreatmentType":1,"eSettlement":2,)"
              R"("bstrEanNumberSection":"$"})",
              {kRecipientGln}),
         "GetTreatment", R"({"peCanton":4})"},
    };
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(std::string(trip.get) + " after " + trip.args);
        EXPECT_EQ(R"({"pbStatus":true})", Post(trip.interfaceName, trip.set, trip.args).text);
        Answer read = Post(trip.interfaceName, trip.get);
        EXPECT_EQ(200, read.status);
        EXPECT_EQ(ReadAfter(trip.args, trip.converted), read.body) << read.text;
    }
}

// Element k of a collection equals the k-th first/next read, but for the
// collection's names of a phone's number and of a service's reference code,
// and for the link of a document file, which each read publishes anew.
web::json::value AsRead(web::json::value element) {
    if (element.has_integer_field("peIsURL") && element.at("peIsURL").as_integer() == 0) {
        element.erase("pbstrSource");
    }
    const std::pair<const char*, const char*> renames[] = {
        {"pstrNumber", "pbstrNumber"}, {"pbstrTariffRefCode", "pbstrReferenceCode"}};
    for (const auto& [inCollection, inRead] : renames) {
        if (!element.has_field(inCollection)) continue;
        web::json::value value = element.at(inCollection);
        element.erase(inCollection);
        element[inRead] = value;
    }
    return element;
}

struct List {
    const char* interfaceName;
    const char* all;  // the collection read
    const char* first;
    const char* next;
    std::string expected;  // each element of the collection holds these members
};

TEST_F(ObjectsTest, ListsByFirstNextAndAsCollection) {
    const std::string service = R"({"pbStatus":true,"pbstrCode":"$","pbstrTariffRefCode":"",)"
                                R"("pdAmount":$,"pdQuantity":$,"pdVatRate":$,"plID":$})";
    const List lists[] = {
        {kAddress, "GetPhones", "GetFirstPhone", "GetNextPhone",
         R"([{"pbStatus":true,"pbstrExt":"","pbstrInternationalCode":"41","pbstrLocalCode":"31",)"
         R"("pstrNumber":"22"},{"pbStatus":true,"pbstrExt":"12","pbstrInternationalCode":"",)"
         R"("pbstrLocalCode":"","pstrNumber":"555"}])"},
        {kResult, "GetServices", "GetFirstService", "GetNextService",
         "[" + Fill(service, {"GA", "2700", "1", "7.7", "1"}) + "," +
             Fill(service, {"GB", "2500", "1", "2.5", "2"}) + "," +
             Fill(service, {"GC", "5.08", "0.5", "0", "3"}) + "]"},
        {kResult, "GetVats", "GetFirstVat", "getnextvat",
         R"([{"pbStatus":true,"pdVat":0,"pdVatRate":0},{"pbStatus":true,"pdVat":60.98,)"
         R"("pdVatRate":2.5},{"pbStatus":true,"pdVat":193.04,"pdVatRate":7.7}])"},
        // Every member, in neighbours of distinct values.
        {kResult, "GetServicesEx", "GetFirstServiceEx", "GetNextServiceEx",
         Fill(
             R"([{"pbStatus":true,"pbstrTariffType":"001","pbstrCode":"00.0010",)"
             R"("pbstrTariffRefCode":"00.0020","pdQuantity":2,"plSessionNumber":3,)"
             R"("pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":"2020-06-04T00:00:00","peSide":2,)"
             R"("pbstrText":"Konsultation","pdUnitMT":8,"pdUnitFactorMT":0.5,)"
             R"("pdUnitInternalScalingFactorMT":1.5,"pdAmountMT":24,"pdUnitTT":12,)"
             R"("pdUnitFactorTT":0.25,"pdUnitInternalScalingFactorTT":3,"pdAmountTT":18,)"
             R"("pdAmount":42,"pdVatRate":0,"peIsObligatory":1,"pbstrRemark":"Bemerkung",)"
             R"("plGroupSize":4,"pbstrSectionCode":"","peIgnoreValidate":0,"plServiceAttributes":5,)"
             R"("peTreatmentType":1,"pdExternalFactorMT":2,"pdExternalFactorTT":1,)"
             R"("pbstrProviderEAN":"$","pbstrResponsibleEAN":"$","peBillingRole":3,)"
             R"("peMedicalRole":1,"plID":4}])",
             {kProviderGln, kBillerGln})},
        {kResult, "GetDiagnoses", "GetFirstDiagnosis", "GetNextDiagnosis",
         R"([{"pbStatus":true,"pbstrCode":"J45.0","pbstrText":"Asthma","peDiagnosisType":1}])"},
        // A document by URL is answered as given, a file by its download link.
        {kResult, "GetDocuments", "GetFirstDocument", "GetNextDocument",
         R"([{"peIsURL":1,"pbstrSource":"https://example.org/report.pdf","pbstrTitle":"Bericht",)"
         R"("pbstrMimeType":"application/pdf"},{"peIsURL":0,"pbstrTitle":"Scan"}])"},
    };
    for (const char* phone :
         {R"({"bstrNumber":"22","bstrLocalCode":"31","bstrInternationalCode":"41","bstrExt":""})",
          R"({"bstrNumber":"555","bstrLocalCode":"","bstrInternationalCode":"","bstrExt":"12"})"}) {
        client_.Call(kAddress, "AddPhone", own_[kAddress], phone);
    }
    for (const List& list : lists) {
        SCOPED_TRACE(list.all);
        Answer all = Post(list.interfaceName, list.all);
        ASSERT_EQ(200, all.status) << all.text;
        web::json::value expected = Json(list.expected);
        ASSERT_EQ(expected.size(), all.body.size()) << all.text;
        for (size_t k = 0; k < expected.size(); ++k) {
            ExpectMembers(expected.at(k).serialize(), all.body.at(k));
            Answer read = Post(list.interfaceName, k == 0 ? list.first : list.next);
            EXPECT_EQ(200, read.status);
            EXPECT_EQ(AsRead(all.body.at(k)), AsRead(read.body)) << read.text;
        }
        ExpectEnd(Post(list.interfaceName, list.next));
    }
    // An empty list: 204 and null for the collection, 204 for the first read.
    client_.Call(kAddress, "Initialize", own_[kAddress], "{}");
    Answer none = Post(kAddress, "GetPhones");
    ExpectEnd(none);
    EXPECT_TRUE(none.body.is_null()) << none.text;
    ExpectEnd(Post(kAddress, "GetFirstPhone"));
}

// The sample's sections read from its result: what each Set<X> gave as
// Get<X> answers it (see ReadAfter) but for the members listed here; then
// the reads of what no call set.
TEST_F(ObjectsTest, ReadsAnswerTheInvoiceAsWritten) {
    const std::string address =
        R"({"pbIsPrivateAddress":$,"pbstrCity":"$","pbstrCompanyName":"$","pbstrCountryCode":"CH",)"
        R"("pbstrDepartment":"","pbstrEMail":"","pbstrFamilyname":"$","pbstrFax":"",)"
        R"("pbstrGivenname":"$","pbstrPoBox":"","pbstrSalutation":"$","pbstrStateCode":"",)"
        R"("pbstrStreet":"$","pbstrSubaddressing":"","pbstrTitle":"","pbstrUrl":"","pbstrZip":"$"})";
    const std::string bank =
        Fill(R"({"pIAddress":$})",
             {Fill(address, {"false", "Biel", "Test Bank", "", "", "", "Bankweg 1", "2501"})});
    const std::string patient = Fill(
        R"({"pIAddress":$})",
        {Fill(address, {"true", "Bern", "", "Spitzkiel", "Beatrice", "Frau", "Seeweg 3", "3000"})});
    std::map<std::string, std::string> converted = {
        {"GetRequest", R"({"peDataLanguage":1})"},
        // Written without a leading "p": ePrintGuarantorCopy and bstrCustomerNote.
        {"GetProcessing", R"({"pePrintGuarantorCopy":null,"ePrintGuarantorCopy":0})"},
        {"GetEsrQR", R"({"pbstrCustomerNote":null,"bstrCustomerNote":"","pIBankAddress":1,)"
                     R"("pICreditorAddress":1})"},
        // Parties: their address as an object; dates as text, 0 as "".
        {"GetBiller", bank},
        {"GetProvider", patient},
        {"GetDebitor", patient},
        {"GetGuarantor", patient},
        {"GetPatient",
         patient.substr(0, patient.size() - 1) + R"(,"pdBirthdate":"1957-04-14T00:00:00"})"},
        {"GetLaw", R"({"pdCaseDate":""})"},
        {"GetTreatment", R"({"pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":)"
                         R"("2020-06-04T00:00:00","pdGestationWeek13":""})"},
    };
    for (const auto& [set, args] : SampleSectionCalls("1", "1")) {
        if (set.compare(0, 3, "Set") != 0) continue;
        const std::string get = "G" + set.substr(1);
        EXPECT_EQ(ReadAfter(args, converted[get]), Post(kResult, get).body) << get;
    }
    const std::pair<const char*, const char*> reads[] = {
        // A section the sample lacks: empty values, dates as "", status false.
        {"GetCredit", R"({"pbStatus":false,"pbstrRequestCreditID":"","pdRequestCreditDate":"",)"
                      R"("plRequestCreditTimestamp":0})"},
        {"GetEsr", R"({"pIBankAddress":0,"pICreditorAddress":0,"pbStatus":false,)"
                   R"("pbstrBankAccount":"","pbstrParticipantNumber":"","pbstrReferenceNumber":"",)"
                   R"("peEsrType":0,"plPaymentPeriod":0})"},
        {"GetInsurance", R"({"pIAddress":0,"pbStatus":false,"pbstrEAN":""})"},
        // The amount due less the prepaid amount, rounded to 0.05.
        {"GetBalance", R"({"pbStatus":true,"pdAmount":5247.08,"pdAmountDue":5147.1,)"
                       R"("pdAmountObligatory":42,"pdAmountPrepaid":100,"pdAmountReminder":0,)"
                       R"("pdAmountVat":254.02})"},
    };
    for (const auto& [get, reply] : reads) EXPECT_EQ(Json(reply), Post(kResult, get).body) << get;
    EXPECT_EQ(Json(R"({"pbStatus":true,"pbstrIOCM":"B","peDelivery":2,"peHasLimitation":0,)"
                   R"("peIsIndicated":1,"plRegulationAttributes":5})"),
              Post(kResult, "GetXtraDrug", R"({"lID":3})").body);
}

// Handle members on the sample: 0 and a handle that names nothing pass no
// address, and the two addresses of a slip are passed each on its own.
TEST_F(ObjectsTest, HandlesThatNameNothingPassNoAddress) {
    const int request = own_[kRequest];
    BuildSample(client_, request);
    client_.Call(kRequest, "SetPatient", request,
                 R"({"eSexType":2,"dBirthdate":"1957-04-14","bstrSSN":"","pIAddress":0})");
    client_.Call(kRequest, "SetGuarantor", request, R"({"pIAddress":987654})");
    // No bank; as creditor an address that lacks its parts.
    client_.Call(kRequest, "SetEsrQR", request,
                 Fill(R"({"eEsrType":4,"bstrIBAN":"$","bstrReferenceNumber":"$",)"
                      R"("bstrCustomerNote":"","pIBankAddress":0,"pICreditorAddress":$,)"
                      R"("lPaymentPeriod":30})",
                      {kQrIban, kQrReference, std::to_string(own_[kAddress])}));
    std::string text = ExpectEnvelope(client_.Post(kRequest, "Finalize", request), kFail);
    for (const char* part : {"missing: address of the patient (SetPatient); address of the "
                             "guarantor (SetGuarantor); ",
                             "address of the bank (SetEsrQR)", "address of the creditor: zip"}) {
        EXPECT_NE(std::string::npos, text.find(part)) << text;
    }
}

// The module's refusal: its code and text, also in its abort information
// (that a refusal changes nothing is the module's tests'; members that are
// missing or of the wrong kind: the bad-input test's, for every verb).
TEST_F(ObjectsTest, RefusalsAreErrorReplies) {
    std::string text = ExpectEnvelope(
        Post(kAddress, "SetOnline", R"({"bstrEMail":"no-at-sign","bstrUrl":""})"), kInvalidArg);
    EXPECT_EQ(0u, text.find("SetOnline: bstrEMail")) << text;
    EXPECT_EQ(Json(R"({"pbStatus":true,"pbstrAbort":)" + web::json::value(text).serialize() + "}"),
              Post(kAddress, "GetAbortInfo").body);
}

TEST_F(ObjectsTest, ReadsAndWritesOfProperties) {
    EXPECT_EQ(Json(R"({"peAddressType":0})"), Get(kAddress, "GetType").body);
    EXPECT_EQ(Json(R"({"peModusType":1})"), Get(kManager, "GetModus").body);
    // A write answers null; method names in any case; a number as text.
    EXPECT_EQ("null", Put(kManager, "PutModus", R"(,"eModusType":2)").text);
    EXPECT_EQ(Json(R"({"peModusType":2})"), Get(kManager, "getmodus").body);
    EXPECT_EQ("null", Put(kInput, "PutExternalFactor_MT", R"(,"dExternalFactor_MT":"1.25")").text);
    EXPECT_EQ(Json(R"({"pdExternalFactor_MT":1.25})"), Get(kInput, "GetExternalFactor_MT").body);

    // A read is no PUT operation; the result interface has no GET operations
    // (any live handle of the group passes the frame's instance check).
    ExpectEnvelope(Put(kAddress, "GetType"), 403);
    EXPECT_EQ(
        "The given interface method [IGeneralInvoiceResult::GetInvoice] does not exist",
        ExpectEnvelope(client_.Get(kResult, "GetInvoice",
                                   "pIGeneralInvoiceResult=" + std::to_string(own_[kAddress])),
                       403));
}

// What passes out of a dispatcher (here: a creation without its tariff) is
// answered 500 without a body; the service stays healthy.
TEST_F(ObjectsTest, ExceptionOutOfADispatcherIs500AndReleases) {
    Answer noTariff = Get(kRequest, "GetCreateServiceExInput");
    EXPECT_EQ(500, noTariff.status);
    EXPECT_EQ("", noTariff.text);
    int other = client_.Request(own_[kManager]);
    EXPECT_EQ("null", Put(kManager, "PutDestructGeneralInvoiceRequest",
                          ",\"pIGeneralInvoiceRequest\":" + std::to_string(other))
                          .text);
    ExpectEnvelope(client_.Get(kRequest, "GetCreateAddress",
                               "pIGeneralInvoiceRequest=" + std::to_string(other)),
                   402);
    EXPECT_EQ(200, Get(kManager, "GetModus").status) << "the manager stays";

    // What else goes with the manager is the registry's tests'.
    EXPECT_EQ("null", Put(kManager, "PutDestructTarvos").text);
    ExpectEnvelope(Get(kManager, "GetModus"), 402);
}

}  // namespace
