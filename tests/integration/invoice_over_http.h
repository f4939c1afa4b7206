#pragma once

// Test helpers for the module's operations over HTTP: calls of one running
// service answered as parsed JSON, the module objects the tests need, and
// an invoice after a published sample (three articles, a consultation) as
// a table of calls, with valid identifiers and payment data in place of the
// sample's test values and distinct values in neighbouring fields.

#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/engine/file_text.h"
#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace invoice_http {

constexpr const char* kManager = "ITarvos";
constexpr const char* kRequest = "IGeneralInvoiceRequest";
constexpr const char* kResult = "IGeneralInvoiceResult";
constexpr const char* kAddress = "IAddress";
constexpr const char* kInput = "IServiceExInput";
constexpr int kInvalidArg = static_cast<int>(0x80070057);  // the module's E_INVALIDARG
constexpr int kFail = static_cast<int>(0x80004005);        // the module's E_FAIL

constexpr const char* kBillerGln = "2000000000008";
constexpr const char* kRecipientGln = "7601000000002";
constexpr const char* kProviderGln = "7601000000026";
constexpr const char* kQrIban = "CH4431999123000889012";
constexpr const char* kQrReference = "210000000003139471430009017";

// One reply: its status, its body parsed (null when empty or not JSON) and
// as sent.
struct Answer {
    int status = 0;
    web::json::value body;
    std::string text;
};

inline web::json::value Json(const std::string& text) {
    std::error_code error;
    web::json::value value = web::json::value::parse(text, error);
    return error ? web::json::value::null() : value;
}

// The end of a list: status 204 without a body.
inline void ExpectEnd(const Answer& answer) {
    EXPECT_EQ(204, answer.status) << answer.text;
    EXPECT_EQ("", answer.text);
}

// Every member of the JSON object `expected` is in `actual` with that value.
inline void ExpectMembers(const std::string& expected, const web::json::value& actual) {
    const web::json::value members = Json(expected);
    for (const auto& member : members.as_object()) {
        EXPECT_TRUE(actual.has_field(member.first) && actual.at(member.first) == member.second)
            << member.first << " in " << actual.serialize();
    }
}

class Client {
  public:
    explicit Client(const ServerProcess& server) : http_(server.client()) {}

    // POST (or `verb`) /<interfaceName>/<method> of `args` (a JSON object
    // text) with the target handle under "p" + interfaceName (left out when
    // `handle` is 0).
    Answer Post(const std::string& interfaceName, const std::string& method, int handle,
                const std::string& args = "{}", const char* verb = "POST") const {
        web::json::value body = Json(args);
        if (handle != 0) body["p" + interfaceName] = web::json::value::number(handle);
        return Of(http_.Send(verb, ServerProcess::Path(interfaceName, method), body.serialize(),
                             {{"Content-Type", "application/json"}}));
    }
    Answer PostText(const std::string& interfaceName, const std::string& method,
                    const std::string& body) const {
        return Of(http_.PostJson(ServerProcess::Path(interfaceName, method), body));
    }
    Answer Get(const std::string& interfaceName, const std::string& method,
               const std::string& query) const {
        return Of(http_.Get(ServerProcess::Path(interfaceName, method) + "?" + query));
    }

    // A GET of `method` on the object `parent` of `on` (none when 0) that
    // creates an object of `made`; its handle.
    int Create(const std::string& on, int parent, const std::string& method,
               const std::string& made, const std::string& query = "") const {
        Answer answer =
            Get(on, method, query + (parent ? "p" + on + "=" + std::to_string(parent) : ""));
        EXPECT_EQ(200, answer.status) << method << ": " << answer.text;
        return answer.body.has_integer_field("p" + made) ? answer.body.at("p" + made).as_integer()
                                                         : 0;
    }
    int Manager() const { return Create(kManager, 0, "GetCreateTarvos", kManager); }
    int Request(int manager) const {
        return Create(kManager, manager, "GetGeneralInvoiceRequest", kRequest);
    }
    int Address(int request) const {
        return Create(kRequest, request, "GetCreateAddress", kAddress);
    }
    int ServiceInput(int request, const std::string& tariff = "001") const {
        return Create(kRequest, request, "GetCreateServiceExInput", kInput,
                      "bstrTariffType=" + tariff + "&");
    }

    // A POST that must answer 200 with pbStatus true; its reply body.
    web::json::value Call(const std::string& interfaceName, const std::string& method, int handle,
                          const std::string& args) const {
        Answer answer = Post(interfaceName, method, handle, args);
        EXPECT_TRUE(answer.status == 200 && answer.body.has_boolean_field("pbStatus") &&
                    answer.body.at("pbStatus").as_bool())
            << method << ": " << answer.status << " " << answer.text;
        return answer.body;
    }

  private:
    static Answer Of(const HttpResponse& response) {
        return Answer{response.status, Json(response.body), response.body};
    }

    HttpClient http_;
};

// `text` with each "$" replaced by the next of `values`.
inline std::string Fill(std::string text, std::initializer_list<std::string> values) {
    size_t at = 0;
    for (const std::string& value : values) {
        at = text.find('$', at);
        text.replace(at, 1, value);
        at += value.size();
    }
    return text;
}

// One record of tariff 999 on 2020-06-03 by the biller (numbers as JSON).
inline std::string Article(const std::string& code, const std::string& quantity,
                           const std::string& unit, const std::string& amount,
                           const std::string& vatRate) {
    return Fill(
        R"({"bstrTariffType":"999","bstrCode":"$","bstrReferenceCode":"","dQuantity":$,)"
        R"("lSessionNumber":1,"dDateBegin":"2020-06-03","dDateEnd":0,"bstrProviderEAN":"$",)"
        R"("bstrResponsibleEAN":"$","bstrText":"Artikel $","dUnit":$,"dUnitFactor":1.0,)"
        R"("dExternalFactor":1.0,"dAmount":$,"dVatRate":$,"eIsObligatory":0,"bstrRemark":"",)"
        R"("bstrSectionCode":"","eIgnoreValidate":0,"lServiceAttributes":0})",
        {code, quantity, kBillerGln, kBillerGln, code, unit, amount, vatRate});
}

// The arguments of SetPhysician for the self-employed physician `provider`
// who bills both parts, kBillerGln responsible.
inline std::string Physician(const std::string& provider) {
    return Fill(R"({"eMedicalRole":1,"eBillingRole":3,"bstrEanNumberProvider":"$",)"
                R"("bstrEanNumberResponsible":"$"})",
                {provider, kBillerGln});
}

// The module objects of a table of calls by their names: interface and
// handle.
using Objects = std::map<std::string, std::pair<std::string, int>>;

// One POST of a table, that must answer pbStatus true: `method` on the
// object named `on`, `args` with each "@name" standing for the handle of
// the object of that name.
struct Step {
    std::string on, method, args;
};

inline std::string WithHandles(std::string text, const Objects& objects) {
    for (const auto& [name, object] : objects) {
        for (size_t at; (at = text.find("@" + name)) != std::string::npos;) {
            text.replace(at, name.size() + 1, std::to_string(object.second));
        }
    }
    return text;
}

inline void Replay(const Client& client, const std::vector<Step>& steps, const Objects& objects) {
    for (const Step& step : steps) {
        const auto& [on, handle] = objects.at(step.on);
        client.Call(on, step.method, handle, WithHandles(step.args, objects));
    }
}

// The sample's invoice on the objects named "request", "patient", "bank"
// (addresses of the request) and "input" (a service input of tariff 001 at
// external factor 2 for its medical part), with its two documents (one by
// URL, one the file `scan`), up to Finalize: its two addresses, its
// sections, three articles at VAT rates 7.7, 2.5 and 0 (the
// last of quantity 0.5, with drug details) and a consultation by the
// provider, its amounts left to the module; records 1 to 4.
inline std::vector<Step> SampleSteps(const std::string& scan) {
    const std::string postal = R"({"bstrStreet":"$","bstrPoBox":"$","bstrZip":"$","bstrCity":"$",)"
                               R"("bstrStateCode":"BE","bstrCountryCode":"CH"})";
    return {
        {"patient", "SetPerson",
         R"({"bstrFamilyname":"Spitzkiel","bstrGivenname":"Beatrice",)"
         R"("bstrSalutation":"Frau","bstrTitle":"Dr. med.",)"
         R"("bstrSubaddressing":"c/o Praxis"})"},
        {"patient", "SetPostal", Fill(postal, {"Seeweg 3", "Postfach 12", "3000", "Bern"})},
        {"patient", "AddPhone",
         R"({"bstrNumber":"22","bstrLocalCode":"31","bstrInternationalCode":"41","bstrExt":""})"},
        {"patient", "AddPhone",
         R"({"bstrNumber":"555","bstrLocalCode":"","bstrInternationalCode":"","bstrExt":"12"})"},
        {"bank", "SetCompany",
         R"({"bstrCompanyName":"Test Bank","bstrDepartment":"Zahlungen",)"
         R"("bstrSubaddressing":"Schalter 2"})"},
        {"bank", "SetPostal", Fill(postal, {"Bankweg 1", "Postfach 7", "2501", "Biel"})},
        {"bank", "SetOnline", R"({"bstrEMail":"bank@example.ch","bstrUrl":"https://bank.ch"})"},
        {"request", "Initialize", R"({"eDataLanguage":1})"},
        {"request", "SetRequest",
         R"({"eRoleType":2,"ePlaceType":3,"bstrRoleTitle":"Leitung","eIsStorno":0,)"
         R"("eIsCopy":1,"bstrRemark":"Bitte rasch"})"},
        {"request", "SetProcessing",
         R"({"ePrintAtIntermediate":1,"ePrintGuarantorCopy":0,"bstrTCToken":"TC-9"})"},
        // The intermediate other than the recipient, so that the two cannot stand for each other.
        {"request", "SetTransport",
         Fill(R"({"bstrFromEAN":"$","bstrFromPFXFile":"","bstrFromPFXPassword":"",)"
              R"("bstrViaEAN":"$","bstrToEAN":"$","bstrToBinDERFile":""})",
              {kBillerGln, "7601000000019", kRecipientGln})},
        // The date as text here, as a day serial (43985) in SetTreatment.
        {"request", "SetInvoice",
         R"({"bstrRequestInvoiceID":"000001000001","dRequestInvoiceDate":)"
         R"("2020-06-03T00:00:00","lRequestInvoiceTimestamp":1591170775})"},
        {"request", "SetPackage",
         R"({"bstrSoftwarePackage":"Elexis","lSoftwareVersion":380,)"
         R"("lSoftwareID":17,"bstrSoftwareCopyright":"(c) Elexis"})"},
        {"request", "SetTiers",
         R"({"eTiersMode":1,"bstrVatNumber":"CHE-123.456.789","dAmountPrepaid":100})"},
        {"request", "SetBiller",
         Fill(R"({"bstrEAN":"$","bstrZSR":"C000002","bstrNIF":"1234567",)"
              R"("bstrSpecialty":"Allgemein","pIAddress":@bank})",
              {kBillerGln})},
        {"request", "SetProvider",
         Fill(R"({"bstrEAN":"$","bstrZSR":"D654321","bstrNIF":"7654321","bstrSpecialty":)"
              R"("Chirurgie","pIAddress":@patient})",
              {kProviderGln})},
        {"request", "SetDebitor", Fill(R"({"bstrEAN":"$","pIAddress":@patient})", {kRecipientGln})},
        {"request", "SetPatient",
         R"({"eSexType":2,"dBirthdate":"1957-04-14","bstrSSN":"7569217076985",)"
         R"("pIAddress":@patient})"},
        {"request", "SetGuarantor", R"({"pIAddress":@patient})"},
        {"request", "SetEsrQR",
         Fill(R"({"eEsrType":4,"bstrIBAN":"$","bstrReferenceNumber":"$","bstrCustomerNote":"",)"
              R"("pIBankAddress":@bank,"pICreditorAddress":@bank,"lPaymentPeriod":30})",
              {kQrIban, kQrReference})},
        {"request", "SetLaw",
         R"({"eLawType":4,"dCaseDate":0,"bstrCaseID":"123456","bstrInsuredID":"80756015"})"},
        {"request", "SetTreatment",
         R"({"bstrAPID":"AP-1","bstrACID":"AC-2","dDateBegin":43985,"dDateEnd":43986,)"
         R"("eTreatmentCanton":4,"eTreatmentType":1,"eTreatmentReason":6,"dGestationWeek13":0})"},
        {"request", "AddDiagnosis",
         R"({"eDiagnosisType":1,"bstrCode":"J45.0","bstrText":"Asthma"})"},
        {"input", "SetPhysician", Physician(kProviderGln)},
        {"input", "SetTreatment",
         Fill(R"({"eCanton":4,"eLaw":3,"eTreatmentType":1,"eSettlement":2,)"
              R"("bstrEanNumberSection":"$"})",
              {kRecipientGln})},
        {"request", "AddService", Article("GA", "1", "2700", "2700", "7.7")},
        {"request", "AddService", Article("GB", "1", "2500", "2500", "2.5")},
        {"request", "AddService", Article("GC", "0.5", "10.15", "5.08", "0")},
        {"request", "AddServiceEx",
         R"({"pIServiceExInput":@input,"bstrTariffType":"001","bstrCode":"00.0010",)"
         R"("bstrReferenceCode":"00.0020","dQuantity":2,"lSessionNumber":3,)"
         R"("dDateBegin":"2020-06-03","dDateEnd":"2020-06-04","eSide":2,)"
         R"("bstrText":"Konsultation","dUnitMT":8,"dUnitFactorMT":0.5,)"
         R"("dUnitInternalScalingFactorMT":1.5,"dAmountMT":0,"dUnitTT":12,)"
         R"("dUnitFactorTT":0.25,"dUnitInternalScalingFactorTT":3,"dAmountTT":0,)"
         R"("dAmount":0,"dVatRate":0,"eIsObligatory":1,"bstrRemark":"Bemerkung",)"
         R"("lGroupSize":4,"bstrSectionCode":"","eIgnoreValidate":0,"lServiceAttributes":5})"},
        {"request", "SetXtraDrug",
         R"({"lID":3,"eIsIndicated":1,"bstrIOCM":"B","eDelivery":2,)"
         R"("lRegulationAttributes":5,"eHasLimitation":0})"},
        {"request", "AddDocument",
         R"({"eIsURL":1,"bstrSource":"https://example.org/report.pdf",)"
         R"("bstrTitle":"Bericht","bstrMimeType":"application/pdf"})"},
        {"request", "AddDocument",
         Fill(R"({"eIsURL":0,"bstrSource":"$","bstrTitle":"Scan","bstrMimeType":"image/png"})",
              {scan})},
    };
}

// Fixture base of a suite whose one service holds the sample on a request
// of its manager, the file of its document the PNG file Scan() of the
// service's side, finalized and written by GetXML: its manager, request and
// result, its objects by name, and the GetXML reply (with the download link).
template <class Suite>
class SampleServer : public SuiteServer<Suite> {
  protected:
    static void SetUpTestSuite() {
        SuiteServer<Suite>::SetUpTestSuite();
        WriteFileText(Scan(), kPng);
        Client client(*SuiteServer<Suite>::server_);
        manager_ = client.Manager();
        request_ = client.Request(manager_);
        const int input = client.ServiceInput(request_);
        objects_ = {{"request", {kRequest, request_}},
                    {"patient", {kAddress, client.Address(request_)}},
                    {"bank", {kAddress, client.Address(request_)}},
                    {"input", {kInput, input}}};
        client.Post(kInput, "PutExternalFactor_MT", input, R"({"dExternalFactor_MT":2})", "PUT");
        Replay(client, SampleSteps(Scan()), objects_);
        client.Call(kRequest, "Finalize", request_, "{}");
        written_ = client.Call(kManager, "GetXML", manager_,
                               R"({"lGenerationAttributes":0,"plTimestamp":0})");
        result_ = written_.at("pIGeneralInvoiceResult").as_integer();
        objects_["result"] = {kResult, result_};
    }

    static std::string Scan() { return SuiteServer<Suite>::server_->folder() + "scan.png"; }

    static inline const std::string kPng = "\x89PNG\r\n\x1a\n";  // the document's bytes
    static inline int manager_ = 0, request_ = 0, result_ = 0;
    static inline Objects objects_;
    static inline web::json::value written_;  // the GetXML reply
    Client client_{*SuiteServer<Suite>::server_};
};

}  // namespace invoice_http

// The error reply's code and text (see envelope.h).
inline int EnvelopeCode(const invoice_http::Answer& answer) {
    return EnvelopeCode(HttpResponse{answer.status, {}, answer.text});
}
inline std::string ExpectEnvelope(const invoice_http::Answer& answer, int code) {
    return ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, code);
}
