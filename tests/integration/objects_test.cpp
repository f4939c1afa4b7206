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

// One service with the written sample for the suite.
class ObjectsTest : public SampleServer<ObjectsTest> {
  protected:
    // A GET of `method` on the object `handle` of `interfaceName`.
    Answer Get(const std::string& interfaceName, const std::string& method, int handle) const {
        return client_.Get(interfaceName, method,
                           "p" + interfaceName + "=" + std::to_string(handle));
    }
};

// The reply of a read of what `args` set: pbStatus true and each member
// under "p" + its name (handles under theirs), then the members of
// `converted` (when given) in their place (null: not answered).
web::json::value ReadAfter(const std::string& args, const web::json::value& converted) {
    web::json::value reply = Json(R"({"pbStatus":true})"), given = Json(args);
    for (const auto& [name, value] : given.as_object()) {
        reply[name.compare(0, 2, "pI") == 0 ? name : "p" + name] = value;
    }
    if (converted.is_null()) return reply;
    for (const auto& [name, value] : converted.as_object()) {
        if (value.is_null()) {
            reply.erase(name);
        } else {
            reply[name] = value;
        }
    }
    return reply;
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
    const char* on;   // the object's name in the sample
    const char* all;  // the collection read
    const char* first;
    const char* next;
    std::string expected;  // each element of the collection holds these members
};

TEST_F(ObjectsTest, ListsByFirstNextAndAsCollection) {
    // The consultation as given, but for its amounts, dates, reference code
    // and what its service input gave: every member, in neighbours of
    // distinct values.
    std::string consultation;
    for (const Step& step : SampleSteps("")) {
        if (step.method == "AddServiceEx") consultation = WithHandles(step.args, objects_);
    }
    const std::string converted = Fill(
        R"({"pIServiceExInput":null,"pbstrReferenceCode":null,"pbstrTariffRefCode":"00.0020",)"
        R"("pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":"2020-06-04T00:00:00","pdAmountMT":24,)"
        R"("pdAmountTT":18,"pdAmount":42,"peTreatmentType":1,"pdExternalFactorMT":2,)"
        R"("pdExternalFactorTT":1,"pbstrProviderEAN":"$","pbstrResponsibleEAN":"$",)"
        R"("peBillingRole":3,"peMedicalRole":1,"plID":4})",
        {kProviderGln, kBillerGln});
    const std::string service = R"({"pbStatus":true,"pbstrCode":"$","pbstrTariffRefCode":"",)"
                                R"("pdAmount":$,"pdQuantity":$,"pdVatRate":$,"plID":$})";
    const List lists[] = {
        {"patient", "GetPhones", "GetFirstPhone", "GetNextPhone",
         R"([{"pbStatus":true,"pbstrExt":"","pbstrInternationalCode":"41","pbstrLocalCode":"31",)"
         R"("pstrNumber":"22"},{"pbStatus":true,"pbstrExt":"12","pbstrInternationalCode":"",)"
         R"("pbstrLocalCode":"","pstrNumber":"555"}])"},
        {"result", "GetServices", "GetFirstService", "GetNextService",
         "[" + Fill(service, {"GA", "2700", "1", "7.7", "1"}) + "," +
             Fill(service, {"GB", "2500", "1", "2.5", "2"}) + "," +
             Fill(service, {"GC", "5.08", "0.5", "0", "3"}) + "]"},
        {"result", "GetVats", "GetFirstVat", "getnextvat",
         R"([{"pbStatus":true,"pdVat":0,"pdVatRate":0},{"pbStatus":true,"pdVat":60.98,)"
         R"("pdVatRate":2.5},{"pbStatus":true,"pdVat":193.04,"pdVatRate":7.7}])"},
        // Every member, in neighbours of distinct values.
        {"result", "GetServicesEx", "GetFirstServiceEx", "GetNextServiceEx",
         "[" + ReadAfter(consultation, Json(converted)).serialize() + "]"},
        {"result", "GetDiagnoses", "GetFirstDiagnosis", "GetNextDiagnosis",
         R"([{"pbStatus":true,"pbstrCode":"J45.0","pbstrText":"Asthma","peDiagnosisType":1}])"},
        // A document by URL is answered as given, a file by its download link.
        {"result", "GetDocuments", "GetFirstDocument", "GetNextDocument",
         R"([{"peIsURL":1,"pbstrSource":"https://example.org/report.pdf","pbstrTitle":"Bericht",)"
         R"("pbstrMimeType":"application/pdf"},{"peIsURL":0,"pbstrTitle":"Scan"}])"},
    };
    for (const List& list : lists) {
        SCOPED_TRACE(list.all);
        const auto& [interfaceName, handle] = objects_.at(list.on);
        Answer all = client_.Post(interfaceName, list.all, handle);
        ASSERT_EQ(200, all.status) << all.text;
        web::json::value expected = Json(list.expected);
        ASSERT_EQ(expected.size(), all.body.size()) << all.text;
        for (size_t k = 0; k < expected.size(); ++k) {
            ExpectMembers(expected.at(k).serialize(), all.body.at(k));
            Answer read = client_.Post(interfaceName, k == 0 ? list.first : list.next, handle);
            EXPECT_EQ(AsRead(all.body.at(k)), AsRead(read.body)) << read.text;
        }
        ExpectEnd(client_.Post(interfaceName, list.next, handle));
    }
}

// What each Set<X> of the sample gave, Get<X> answers (see ReadAfter): on
// the addresses and the service input as set, from the result but for the
// members listed here; then the reads of what no call set.
TEST_F(ObjectsTest, ReadsAnswerTheInvoiceAsWritten) {
    std::map<std::string, web::json::value> converted = {
        {"GetRequest", Json(R"({"peDataLanguage":1})")},
        // Written without a leading "p": ePrintGuarantorCopy and bstrCustomerNote.
        {"GetProcessing", Json(R"({"pePrintGuarantorCopy":null,"ePrintGuarantorCopy":0})")},
        {"GetEsrQR", Json(R"({"pbstrCustomerNote":null,"bstrCustomerNote":"","pIBankAddress":1,)"
                          R"("pICreditorAddress":1})")},
        // Dates as text, 0 as "".
        {"GetLaw", Json(R"({"pdCaseDate":""})")},
        {"GetTreatment", Json(R"({"pdDateBegin":"2020-06-03T00:00:00","pdDateEnd":)"
                              R"("2020-06-04T00:00:00","pdGestationWeek13":""})")},
    };
    // Parties: their address as an object, here by its street (its members:
    // the address object's tests).
    for (const char* party :
         {"GetBiller", "GetProvider", "GetDebitor", "GetGuarantor", "GetPatient"}) {
        converted[party]["pIAddress"] =
            web::json::value(party[3] == 'B' ? "Bankweg 1" : "Seeweg 3");
    }
    converted["GetPatient"]["pdBirthdate"] = web::json::value("1957-04-14T00:00:00");
    // A read of the record the call named.
    converted["GetXtraDrug"]["plID"] = web::json::value::null();
    for (const Step& step : SampleSteps("")) {
        if (step.method.compare(0, 3, "Set") != 0) continue;
        const bool ofRequest = step.on == "request";
        const auto& [interfaceName, handle] = objects_.at(ofRequest ? "result" : step.on);
        const std::string get = "G" + step.method.substr(1),
                          args = WithHandles(step.args, objects_);
        web::json::value read = client_.Post(interfaceName, get, handle, args).body;
        if (read.has_object_field("pIAddress"))
            read["pIAddress"] = read["pIAddress"]["pbstrStreet"];
        EXPECT_EQ(ReadAfter(args, ofRequest ? converted[get] : web::json::value()), read)
            << step.on << " " << get;
    }
    // A section no call set: empty values, dates as "", status false.
    EXPECT_EQ(Json(R"({"pbStatus":false,"pbstrRequestCreditID":"","pdRequestCreditDate":"",)"
                   R"("plRequestCreditTimestamp":0})"),
              client_.Post(kResult, "GetCredit", result_).body);
    // A party without an address, a slip without its bank.
    EXPECT_EQ(
        Json(R"({"pIAddress":0,"pbStatus":false,"pbstrSSN":"","pdBirthdate":"","peSexType":0})"),
        client_.Post(kResult, "GetInsured", result_).body);
    EXPECT_EQ(
        Json(
            R"({"pIBankAddress":0,"pICreditorAddress":0,"pbStatus":false,"pbstrBankAccount":"",)"
            R"("pbstrParticipantNumber":"","pbstrReferenceNumber":"","peEsrType":0,"plPaymentPeriod":0})"),
        client_.Post(kResult, "GetEsr", result_).body);
    // The amount due less the prepaid amount, rounded to 0.05.
    EXPECT_EQ(Json(R"({"pbStatus":true,"pdAmount":5247.08,"pdAmountDue":5147.1,)"
                   R"("pdAmountObligatory":42,"pdAmountPrepaid":100,"pdAmountReminder":0,)"
                   R"("pdAmountVat":254.02})"),
              client_.Post(kResult, "GetBalance", result_).body);
}

// Handle members on the sample's request (its written result keeps its own
// copy): 0 and a handle that names nothing pass no address, and the two
// addresses of a slip are passed each on its own. The module's refusal is
// its code and text, also in its abort information.
TEST_F(ObjectsTest, HandlesThatNameNothingPassNoAddress) {
    Objects own = objects_;
    own["creditor"] = {kAddress, client_.Address(request_)};  // an address that lacks its parts
    const std::vector<Step> steps = {
        {"request", "SetPatient",
         R"({"eSexType":2,"dBirthdate":"1957-04-14","bstrSSN":"","pIAddress":0})"},
        {"request", "SetGuarantor", R"({"pIAddress":987654})"},
        // No bank, and the creditor.
        {"request", "SetEsrQR",
         Fill(R"({"eEsrType":4,"bstrIBAN":"$","bstrReferenceNumber":"$","bstrCustomerNote":"",)"
              R"("pIBankAddress":0,"pICreditorAddress":@creditor,"lPaymentPeriod":30})",
              {kQrIban, kQrReference})}};
    Replay(client_, steps, own);
    std::string text = ExpectEnvelope(client_.Post(kRequest, "Finalize", request_), kFail);
    for (const char* part : {"missing: address of the patient (SetPatient); address of the "
                             "guarantor (SetGuarantor); ",
                             "address of the bank (SetEsrQR)", "address of the creditor: zip"}) {
        EXPECT_NE(std::string::npos, text.find(part)) << text;
    }
    EXPECT_EQ(Json(R"({"pbStatus":true,"pbstrAbort":)" + web::json::value(text).serialize() + "}"),
              client_.Post(kRequest, "GetAbortInfo", request_).body);
}

// GET reads and PUT writes (a write answers null; method names in any
// case). What passes out of a dispatcher (here: a creation without its
// tariff) is answered 500 without a body, a method that no table has 403;
// the service stays healthy. A release takes its object and leaves the
// manager.
TEST_F(ObjectsTest, PropertiesExceptionsAndReleases) {
    const int manager = client_.Manager(), request = client_.Request(manager);
    EXPECT_EQ(Json(R"({"peAddressType":2})"),
              Get(kAddress, "GetType", objects_.at("bank").second).body);
    EXPECT_EQ(Json(R"({"pdExternalFactor_MT":2})"),
              Get(kInput, "GetExternalFactor_MT", objects_.at("input").second).body);
    EXPECT_EQ("null",
              client_.Post(kManager, "PutModus", manager, R"({"eModusType":2})", "PUT").text);
    // A number given as text.
    const int input = client_.ServiceInput(request);
    client_.Post(kInput, "PutExternalFactor_MT", input, R"({"dExternalFactor_MT":"1.25"})", "PUT");
    EXPECT_EQ(Json(R"({"pdExternalFactor_MT":1.25})"),
              Get(kInput, "GetExternalFactor_MT", input).body);
    // A read by PUT.
    ExpectEnvelope(client_.Post(kAddress, "GetType", objects_.at("bank").second, "{}", "PUT"), 403);

    Answer noTariff = Get(kRequest, "GetCreateServiceExInput", request);
    EXPECT_EQ(500, noTariff.status);
    EXPECT_EQ("", noTariff.text);
    // The result has no GET operations.
    EXPECT_EQ("The given interface method [IGeneralInvoiceResult::GetInvoice] does not exist",
              ExpectEnvelope(Get(kResult, "GetInvoice", result_), 403));
    // A release without its member; of a handle that names nothing.
    Answer noMember =
        client_.Post(kManager, "PutDestructGeneralInvoiceRequest", manager, "{}", "PUT");
    EXPECT_EQ(500, noMember.status);
    EXPECT_EQ("", noMember.text);
    EXPECT_EQ("null", client_
                          .Post(kManager, "PutDestructGeneralInvoiceRequest", manager,
                                R"({"pIGeneralInvoiceRequest":987654})", "PUT")
                          .text);
    EXPECT_EQ("null",
              client_
                  .Post(kManager, "PutDestructGeneralInvoiceRequest", manager,
                        Fill(R"({"pIGeneralInvoiceRequest":$})", {std::to_string(request)}), "PUT")
                  .text);
    ExpectEnvelope(Get(kRequest, "GetCreateAddress", request), 402);
    EXPECT_EQ(Json(R"({"peModusType":2})"), Get(kManager, "getmodus", manager).body);
    // What else goes with the manager is the registry's tests'.
    client_.Post(kManager, "PutDestructTarvos", manager, "{}", "PUT");
    ExpectEnvelope(Get(kManager, "GetModus", manager), 402);
    ExpectEnvelope(client_.Post(kManager, "PutDestructTarvos", manager, "{}", "PUT"), 402);
}

}  // namespace
