#pragma once

// Test helpers for the module's operations over HTTP: calls of one running
// service answered as parsed JSON, the module objects the tests need, and
// an invoice after a published sample (three articles, a consultation) built
// with POST calls only, with valid identifiers and payment data in place of
// the sample's test values and distinct values in neighbouring fields.

#include <gtest/gtest.h>

#include <cpprest/json.h>

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

// The end of a list: status 204, and no body, null or the read's members
// with pbStatus false.
inline void ExpectEnd(const Answer& answer) {
    EXPECT_EQ(204, answer.status) << answer.text;
    EXPECT_TRUE(
        answer.text.empty() || answer.text == "null" ||
        (answer.body.has_boolean_field("pbStatus") && !answer.body.at("pbStatus").as_bool()))
        << answer.text;
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

    // POST /<interfaceName>/<method> of `args` (a JSON object text) with the
    // target handle under "p" + interfaceName (left out when `handle` is 0).
    Answer Post(const std::string& interfaceName, const std::string& method, int handle,
                const std::string& args = "{}") const {
        web::json::value body = Json(args);
        if (handle != 0) body["p" + interfaceName] = web::json::value::number(handle);
        return PostText(interfaceName, method, body.serialize());
    }
    Answer PostText(const std::string& interfaceName, const std::string& method,
                    const std::string& body) const {
        return Of(http_.PostJson(ServerProcess::Path(interfaceName, method), body));
    }
    Answer Get(const std::string& interfaceName, const std::string& method,
               const std::string& query) const {
        return Of(http_.Get(ServerProcess::Path(interfaceName, method) + "?" + query));
    }
    Answer Put(const std::string& interfaceName, const std::string& method,
               const std::string& body) const {
        return Of(http_.PutJson(ServerProcess::Path(interfaceName, method), body));
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

// A service input of `tariff` on `request` for the self-employed physician
// `provider` who bills both parts, kBillerGln responsible; its handle.
inline int Physician(const Client& client, int request, const std::string& tariff,
                     const std::string& provider) {
    int input = client.ServiceInput(request, tariff);
    client.Call(kInput, "SetPhysician", input,
                Fill(R"({"eMedicalRole":1,"eBillingRole":3,"bstrEanNumberProvider":"$",)"
                     R"("bstrEanNumberResponsible":"$"})",
                     {provider, kBillerGln}));
    return input;
}

// An address of `request` made by `calls` (method, arguments); its handle.
inline std::string NewAddress(const Client& client, int request,
                              const std::vector<std::pair<const char*, std::string>>& calls) {
    int handle = client.Address(request);
    for (const auto& call : calls) client.Call(kAddress, call.first, handle, call.second);
    return std::to_string(handle);
}

// The calls that set the header, parties, payment, law and treatment of the
// published sample on a request, with `patient` and `bank` the handles of
// its two addresses.
inline std::vector<std::pair<std::string, std::string>> SampleSectionCalls(
    const std::string& patient, const std::string& bank) {
    return {
        {"Initialize", R"({"eDataLanguage":1})"},
        {"SetRequest", R"({"eRoleType":2,"ePlaceType":3,"bstrRoleTitle":"Leitung","eIsStorno":0,)"
                       R"("eIsCopy":1,"bstrRemark":"Bitte rasch"})"},
        {"SetProcessing",
         R"({"ePrintAtIntermediate":1,"ePrintGuarantorCopy":0,"bstrTCToken":"TC-9"})"},
        // The intermediate other than the recipient, so that the two cannot stand for each other.
        {"SetTransport", Fill(R"({"bstrFromEAN":"$","bstrFromPFXFile":"","bstrFromPFXPassword":"",)"
                              R"("bstrViaEAN":"$","bstrToEAN":"$","bstrToBinDERFile":""})",
                              {kBillerGln, "7601000000019", kRecipientGln})},
        // The date as text here, as a day serial (43985) in SetTreatment.
        {"SetInvoice", R"({"bstrRequestInvoiceID":"000001000001","dRequestInvoiceDate":)"
                       R"("2020-06-03T00:00:00","lRequestInvoiceTimestamp":1591170775})"},
        {"SetPackage", R"({"bstrSoftwarePackage":"Elexis","lSoftwareVersion":380,)"
                       R"("lSoftwareID":17,"bstrSoftwareCopyright":"(c) Elexis"})"},
        {"SetTiers", R"({"eTiersMode":1,"bstrVatNumber":"CHE-123.456.789","dAmountPrepaid":100})"},
        {"SetBiller", Fill(R"({"bstrEAN":"$","bstrZSR":"C000002","bstrNIF":"1234567",)"
                           R"("bstrSpecialty":"Allgemein","pIAddress":$})",
                           {kBillerGln, bank})},
        {"SetProvider",
         Fill(R"({"bstrEAN":"$","bstrZSR":"D654321","bstrNIF":"7654321","bstrSpecialty":)"
              R"("Chirurgie","pIAddress":$})",
              {kProviderGln, patient})},
        {"SetDebitor", Fill(R"({"bstrEAN":"$","pIAddress":$})", {kRecipientGln, patient})},
        {"SetPatient", Fill(R"({"eSexType":2,"dBirthdate":"1957-04-14","bstrSSN":"$",)"
                            R"("pIAddress":$})",
                            {"7569217076985", patient})},
        {"SetGuarantor", Fill(R"({"pIAddress":$})", {patient})},
        {"SetEsrQR", Fill(R"({"eEsrType":4,"bstrIBAN":"$","bstrReferenceNumber":"$",)"
                          R"("bstrCustomerNote":"","pIBankAddress":$,"pICreditorAddress":$,)"
                          R"("lPaymentPeriod":30})",
                          {kQrIban, kQrReference, bank, bank})},
        {"SetLaw",
         R"({"eLawType":4,"dCaseDate":0,"bstrCaseID":"123456","bstrInsuredID":"80756015"})"},
        {"SetTreatment", R"({"bstrAPID":"AP-1","bstrACID":"AC-2","dDateBegin":43985,)"
                         R"("dDateEnd":43986,"eTreatmentCanton":4,"eTreatmentType":1,)"
                         R"("eTreatmentReason":6,"dGestationWeek13":0})"},
        {"AddDiagnosis", R"({"eDiagnosisType":1,"bstrCode":"J45.0","bstrText":"Asthma"})"},
    };
}

// The sample's invoice on `request`: its sections, three articles at VAT
// rates 7.7, 2.5 and 0 (the last of quantity 0.5, with drug details) and a
// consultation by the provider, its medical part at external factor 2 and
// its amounts left to the module; records 1 to 4.
inline void BuildSample(const Client& client, int request) {
    const std::string postal = R"({"bstrStreet":"$","bstrPoBox":"","bstrZip":"$","bstrCity":"$",)"
                               R"("bstrStateCode":"","bstrCountryCode":"CH"})";
    std::string patient = NewAddress(
        client, request,
        {{"SetPerson", R"({"bstrFamilyname":"Spitzkiel","bstrGivenname":"Beatrice",)"
                       R"("bstrSalutation":"Frau","bstrTitle":"","bstrSubaddressing":""})"},
         {"SetPostal", Fill(postal, {"Seeweg 3", "3000", "Bern"})}});
    std::string bank =
        NewAddress(client, request,
                   {{"SetCompany", R"({"bstrCompanyName":"Test Bank","bstrDepartment":"",)"
                                   R"("bstrSubaddressing":""})"},
                    {"SetPostal", Fill(postal, {"Bankweg 1", "2501", "Biel"})}});
    for (const auto& call : SampleSectionCalls(patient, bank)) {
        client.Call(kRequest, call.first, request, call.second);
    }
    const std::string input = std::to_string(Physician(client, request, "001", kProviderGln));
    client.Put(kInput, "PutExternalFactor_MT",
               Fill(R"({"pIServiceExInput":$,"dExternalFactor_MT":2})", {input}));
    const std::pair<const char*, std::string> services[] = {
        {"AddService", Article("GA", "1", "2700", "2700", "7.7")},
        {"AddService", Article("GB", "1", "2500", "2500", "2.5")},
        {"AddService", Article("GC", "0.5", "10.15", "5.08", "0")},
        {"AddServiceEx",
         Fill(R"({"pIServiceExInput":$,"bstrTariffType":"001","bstrCode":"00.0010",)"
              R"("bstrReferenceCode":"00.0020","dQuantity":2,"lSessionNumber":3,)"
              R"("dDateBegin":"2020-06-03","dDateEnd":"2020-06-04","eSide":2,)"
              R"("bstrText":"Konsultation","dUnitMT":8,"dUnitFactorMT":0.5,)"
              R"("dUnitInternalScalingFactorMT":1.5,"dAmountMT":0,"dUnitTT":12,)"
              R"("dUnitFactorTT":0.25,"dUnitInternalScalingFactorTT":3,"dAmountTT":0,)"
              R"("dAmount":0,"dVatRate":0,"eIsObligatory":1,"bstrRemark":"Bemerkung",)"
              R"("lGroupSize":4,"bstrSectionCode":"","eIgnoreValidate":0,"lServiceAttributes":5})",
              {input})},
    };
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(web::json::value(k + 1),
                  client.Call(kRequest, services[k].first, request, services[k].second)["plID"]);
    }
    client.Call(kRequest, "SetXtraDrug", request,
                R"({"lID":3,"eIsIndicated":1,"bstrIOCM":"B","eDelivery":2,)"
                R"("lRegulationAttributes":5,"eHasLimitation":0})");
}

// Fixture base of a suite whose one service holds the sample on a request
// of its manager, with two documents (one by URL, one the PNG file Scan() of
// the service's side), finalized and written by GetXML: its manager,
// request, result and the GetXML reply (with the download link).
template <class Suite>
class SampleServer : public SuiteServer<Suite> {
  protected:
    static void SetUpTestSuite() {
        SuiteServer<Suite>::SetUpTestSuite();
        WriteFileText(Scan(), kPng);
        Client client(*SuiteServer<Suite>::server_);
        manager_ = client.Manager();
        request_ = client.Request(manager_);
        BuildSample(client, request_);
        const std::pair<const char*, std::string> calls[] = {
            {"AddDocument", R"({"eIsURL":1,"bstrSource":"https://example.org/report.pdf",)"
                            R"("bstrTitle":"Bericht","bstrMimeType":"application/pdf"})"},
            {"AddDocument", Fill(R"({"eIsURL":0,"bstrSource":"$","bstrTitle":"Scan",)"
                                 R"("bstrMimeType":"image/png"})",
                                 {Scan()})},
            {"Finalize", "{}"},
        };
        for (const auto& call : calls) client.Call(kRequest, call.first, request_, call.second);
        written_ = client.Call(kManager, "GetXML", manager_,
                               R"({"lGenerationAttributes":0,"plTimestamp":0})");
        if (written_.has_integer_field("pIGeneralInvoiceResult")) {
            result_ = written_.at("pIGeneralInvoiceResult").as_integer();
        }
    }

    static std::string Scan() { return SuiteServer<Suite>::server_->folder() + "scan.png"; }

    static inline const std::string kPng = "\x89PNG\r\n\x1a\n";  // the document's bytes
    static inline int manager_ = 0, request_ = 0, result_ = 0;
    static inline web::json::value written_;  // the GetXML reply
};

}  // namespace invoice_http

// The error reply's code and text (see envelope.h).
inline int EnvelopeCode(const invoice_http::Answer& answer) {
    return EnvelopeCode(HttpResponse{answer.status, {}, answer.text});
}
inline std::string ExpectEnvelope(const invoice_http::Answer& answer, int code) {
    return ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, code);
}
