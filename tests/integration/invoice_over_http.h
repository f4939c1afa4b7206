#pragma once

// Test helpers for the invoice operations over HTTP: calls of one running
// service that answer parsed JSON, the module objects the tests need
// (manager, request, addresses, service inputs), and the invoice of the
// published sample samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml
// built with POST calls only, with valid identifiers and payment data in
// place of the sample's test values.

#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/server_process.h"

namespace invoice_http {

constexpr const char* kRequest = "IGeneralInvoiceRequest";
constexpr const char* kResult = "IGeneralInvoiceResult";

// Valid values used in place of the sample's.
constexpr const char* kBillerGln = "2000000000008";       // sample: 2000000000002
constexpr const char* kRecipientGln = "7601000000002";    // sample: 2000000000000
constexpr const char* kPatientSsn = "7569217076985";      // sample: 7560000000011
constexpr const char* kQrIban = "CH4431999123000889012";  // sample: CH5800791123000889012
constexpr const char* kQrReference = "210000000003139471430009017";

// One reply: its status and its body parsed (null when empty or not JSON).
struct Answer {
    int status = 0;
    web::json::value body;
    std::string text;  // the body as sent
};

inline web::json::value Parse(const std::string& text) {
    try {
        return text.empty() ? web::json::value::null() : web::json::value::parse(text);
    } catch (const std::exception&) {
        return web::json::value::null();
    }
}

inline web::json::value Text(const std::string& text) {
    return web::json::value::string(text);
}

// A JSON object from key/value pairs.
inline web::json::value Object(
    std::initializer_list<std::pair<std::string, web::json::value>> members) {
    web::json::value object = web::json::value::object();
    for (const auto& member : members) object[member.first] = member.second;
    return object;
}

class Client {
  public:
    explicit Client(const ServerProcess& server) : http_(server.client()) {}

    // POST /<interfaceName>/<method> with `args` and the target handle
    // under "p" + interfaceName (left out when `handle` is 0).
    Answer Post(const std::string& interfaceName, const std::string& method, int handle,
                web::json::value args = web::json::value::object()) const {
        if (handle != 0) args["p" + interfaceName] = web::json::value::number(handle);
        return Post(interfaceName, method, args.serialize());
    }

    // POST with a body exactly as given.
    Answer Post(const std::string& interfaceName, const std::string& method,
                const std::string& body) const {
        HttpResponse response = http_.PostJson(ServerProcess::Path(interfaceName, method), body);
        return Answer{response.status, Parse(response.body), response.body};
    }

    // A GET that creates an object; its handle from the reply member `key`
    // (0 when the reply has none).
    int Create(const std::string& interfaceName, const std::string& method,
               const std::string& query, const std::string& key) const {
        HttpResponse response = http_.Get(ServerProcess::Path(interfaceName, method) + "?" + query);
        web::json::value body = Parse(response.body);
        EXPECT_EQ(200, response.status) << method << ": " << response.body;
        return body.has_integer_field(key) ? body.at(key).as_integer() : 0;
    }

    int Manager() const { return Create("ITarvos", "GetCreateTarvos", "", "pITarvos"); }
    int Request(int manager) const {
        return Create("ITarvos", "GetGeneralInvoiceRequest", "pITarvos=" + std::to_string(manager),
                      "pIGeneralInvoiceRequest");
    }
    int Address(int request) const {
        return Create(kRequest, "GetCreateAddress",
                      "pIGeneralInvoiceRequest=" + std::to_string(request), "pIAddress");
    }
    int ServiceInput(int request, const std::string& tariff) const {
        return Create(
            kRequest, "GetCreateServiceExInput",
            "pIGeneralInvoiceRequest=" + std::to_string(request) + "&bstrTariffType=" + tariff,
            "pIServiceExInput");
    }

    // A POST that must succeed with pbStatus true; its reply body.
    web::json::value Call(const std::string& interfaceName, const std::string& method, int handle,
                          web::json::value args) const {
        Answer answer = Post(interfaceName, method, handle, std::move(args));
        EXPECT_EQ(200, answer.status) << method << ": " << answer.text;
        EXPECT_TRUE(answer.body.has_boolean_field("pbStatus") &&
                    answer.body.at("pbStatus").as_bool())
            << method << ": " << answer.text;
        return answer.body;
    }

  private:
    HttpClient http_;
};

inline web::json::value Handle(int handle) {
    return web::json::value::number(handle);
}

// Builds the sample invoice on one request, over HTTP.
class SampleBuilder {
  public:
    SampleBuilder(const Client& client, int request) : client_(client), request_(request) {}

    // A person's address: Frau <given> <family>, 0000 Unbekannt (NDF), with
    // one phone when given.
    int Person(const std::string& family, const std::string& given, const std::string& phone = "") {
        int address = client_.Address(request_);
        client_.Call("IAddress", "SetPerson", address,
                     Object({{"bstrFamilyname", Text(family)},
                             {"bstrGivenname", Text(given)},
                             {"bstrSalutation", Text("Frau")},
                             {"bstrTitle", Text("")},
                             {"bstrSubaddressing", Text("")}}));
        client_.Call("IAddress", "SetPostal", address,
                     Object({{"bstrStreet", Text("")},
                             {"bstrPoBox", Text("")},
                             {"bstrZip", Text("0000")},
                             {"bstrCity", Text("Unbekannt")},
                             {"bstrStateCode", Text("")},
                             {"bstrCountryCode", Text("NDF")}}));
        if (!phone.empty()) {
            client_.Call("IAddress", "AddPhone", address,
                         Object({{"bstrNumber", Text(phone)},
                                 {"bstrLocalCode", Text("")},
                                 {"bstrInternationalCode", Text("")},
                                 {"bstrExt", Text("")}}));
        }
        return address;
    }

    // The bank: Test Bank, Bankweg 1, 2501 Biel.
    int Bank() {
        int address = client_.Address(request_);
        client_.Call("IAddress", "SetCompany", address,
                     Object({{"bstrCompanyName", Text("Test Bank")},
                             {"bstrDepartment", Text("")},
                             {"bstrSubaddressing", Text("")}}));
        client_.Call("IAddress", "SetPostal", address,
                     Object({{"bstrStreet", Text("Bankweg 1")},
                             {"bstrPoBox", Text("")},
                             {"bstrZip", Text("2501")},
                             {"bstrCity", Text("Biel")},
                             {"bstrStateCode", Text("")},
                             {"bstrCountryCode", Text("CH")}}));
        return address;
    }

    web::json::value Call(const std::string& method, web::json::value args) {
        return client_.Call(kRequest, method, request_, std::move(args));
    }

    // Header, parties, payment, law, treatment and diagnosis of the sample.
    void SetSections();

    // The sample's five records: one extended service (the consultation)
    // and four services; their ids answered as plID (1 to 5).
    void AddServices();

  private:
    const Client& client_;
    int request_;
};

inline void SampleBuilder::SetSections() {
    Call("Initialize", Object({{"eDataLanguage", Handle(1)}}));
    Call("SetRequest", Object({{"eRoleType", Handle(1)},
                               {"ePlaceType", Handle(1)},
                               {"bstrRoleTitle", Text("")},
                               {"eIsStorno", Handle(0)},
                               {"eIsCopy", Handle(0)},
                               {"bstrRemark", Text("")}}));
    Call("SetProcessing", Object({{"ePrintAtIntermediate", Handle(0)},
                                  {"ePrintGuarantorCopy", Handle(0)},
                                  {"bstrTCToken", Text("")}}));
    Call("SetTransport", Object({{"bstrFromEAN", Text(kBillerGln)},
                                 {"bstrFromPFXFile", Text("")},
                                 {"bstrFromPFXPassword", Text("")},
                                 {"bstrViaEAN", Text(kRecipientGln)},
                                 {"bstrToEAN", Text(kRecipientGln)},
                                 {"bstrToBinDERFile", Text("")}}));
    Call("SetPackage", Object({{"bstrSoftwarePackage", Text("Elexis")},
                               {"lSoftwareVersion", Handle(380)},
                               {"lSoftwareID", Handle(0)},
                               {"bstrSoftwareCopyright", Text("")}}));
    // The date as text and as a day serial (43985 is 2020-06-03).
    Call("SetInvoice", Object({{"bstrRequestInvoiceID", Text("000001000001")},
                               {"dRequestInvoiceDate", Text("2020-06-03T00:00:00")},
                               {"lRequestInvoiceTimestamp", Handle(1591170775)}}));
    Call("SetTiers", Object({{"eTiersMode", Handle(1)},
                             {"bstrVatNumber", Text("")},
                             {"dAmountPrepaid", web::json::value::number(0.0)}}));

    int mandant = Person("Mandant.tarmed", "Mandant.tarmed");
    int patient = Person("Spitzkiel", "Beatrice", "555-555 55 55");
    Call("SetBiller", Object({{"bstrEAN", Text(kBillerGln)},
                              {"bstrZSR", Text("C000002")},
                              {"bstrNIF", Text("")},
                              {"bstrSpecialty", Text("Allgemein")},
                              {"pIAddress", Handle(mandant)}}));
    Call("SetDebitor", Object({{"bstrEAN", Text(kRecipientGln)}, {"pIAddress", Handle(patient)}}));
    Call("SetProvider", Object({{"bstrEAN", Text(kBillerGln)},
                                {"bstrZSR", Text("C000002")},
                                {"bstrNIF", Text("")},
                                {"bstrSpecialty", Text("Allgemein")},
                                {"pIAddress", Handle(mandant)}}));
    Call("SetPatient", Object({{"eSexType", Handle(2)},
                               {"dBirthdate", Text("1957-04-14")},
                               {"bstrSSN", Text(kPatientSsn)},
                               {"pIAddress", Handle(patient)}}));
    Call("SetGuarantor", Object({{"pIAddress", Handle(patient)}}));
    Call("SetEsrQR", Object({{"eEsrType", Handle(4)},
                             {"bstrIBAN", Text(kQrIban)},
                             {"bstrReferenceNumber", Text(kQrReference)},
                             {"bstrCustomerNote", Text("")},
                             {"pIBankAddress", Handle(Bank())},
                             {"pICreditorAddress", Handle(mandant)},
                             {"lPaymentPeriod", Handle(30)}}));
    Call("SetLaw", Object({{"eLawType", Handle(4)},
                           {"dCaseDate", Handle(0)},
                           {"bstrCaseID", Text("123456")},
                           {"bstrInsuredID", Text("123456")}}));
    Call("SetTreatment", Object({{"bstrAPID", Text("")},
                                 {"bstrACID", Text("")},
                                 {"dDateBegin", web::json::value::number(43985)},
                                 {"dDateEnd", web::json::value::number(43985)},
                                 {"eTreatmentCanton", Handle(1)},
                                 {"eTreatmentType", Handle(1)},
                                 {"eTreatmentReason", Handle(1)},
                                 {"dGestationWeek13", Handle(0)}}));
    Call("AddDiagnosis",
         Object({{"eDiagnosisType", Handle(4)}, {"bstrCode", Text("A1")}, {"bstrText", Text("")}}));
}

// One `service` record of tariff 999 on 2020-06-03 by the biller.
inline web::json::value Article(const std::string& code, const std::string& text, double quantity,
                                double unit, double amount, double vatRate) {
    return Object({{"bstrTariffType", Text("999")},
                   {"bstrCode", Text(code)},
                   {"bstrReferenceCode", Text("")},
                   {"dQuantity", web::json::value::number(quantity)},
                   {"lSessionNumber", Handle(1)},
                   {"dDateBegin", Text("2020-06-03")},
                   {"dDateEnd", Handle(0)},
                   {"bstrProviderEAN", Text(kBillerGln)},
                   {"bstrResponsibleEAN", Text(kBillerGln)},
                   {"bstrText", Text(text)},
                   {"dUnit", web::json::value::number(unit)},
                   {"dUnitFactor", web::json::value::number(1.0)},
                   {"dExternalFactor", web::json::value::number(1.0)},
                   {"dAmount", web::json::value::number(amount)},
                   {"dVatRate", web::json::value::number(vatRate)},
                   {"eIsObligatory", Handle(0)},
                   {"bstrRemark", Text("")},
                   {"bstrSectionCode", Text("")},
                   {"eIgnoreValidate", Handle(0)},
                   {"lServiceAttributes", Handle(0)}});
}

// The consultation as an extended service (9.57 + 8.19), tariff 001.
inline web::json::value Consultation(int input) {
    auto n = [](double value) { return web::json::value::number(value); };
    return Object({{"pIServiceExInput", Handle(input)},
                   {"bstrTariffType", Text("001")},
                   {"bstrCode", Text("00.0010")},
                   {"bstrReferenceCode", Text("")},
                   {"dQuantity", n(1.0)},
                   {"lSessionNumber", Handle(1)},
                   {"dDateBegin", Text("2020-06-03")},
                   {"dDateEnd", Handle(0)},
                   {"eSide", Handle(1)},
                   {"bstrText", Text("Konsultation, erste 5 Min. (Grundkonsultation)")},
                   {"dUnitMT", n(9.57)},
                   {"dUnitFactorMT", n(1.0)},
                   {"dUnitInternalScalingFactorMT", n(1.0)},
                   {"dAmountMT", n(9.57)},
                   {"dUnitTT", n(8.19)},
                   {"dUnitFactorTT", n(1.0)},
                   {"dUnitInternalScalingFactorTT", n(1.0)},
                   {"dAmountTT", n(8.19)},
                   {"dAmount", n(17.76)},
                   {"dVatRate", n(0.0)},
                   {"eIsObligatory", Handle(1)},
                   {"bstrRemark", Text("")},
                   {"lGroupSize", Handle(1)},
                   {"bstrSectionCode", Text("")},
                   {"eIgnoreValidate", Handle(0)},
                   {"lServiceAttributes", Handle(0)}});
}

inline void SampleBuilder::AddServices() {
    int input = client_.ServiceInput(request_, "001");
    client_.Call("IServiceExInput", "SetPhysician", input,
                 Object({{"eMedicalRole", Handle(1)},
                         {"eBillingRole", Handle(3)},
                         {"bstrEanNumberProvider", Text(kBillerGln)},
                         {"bstrEanNumberResponsible", Text(kBillerGln)}}));
    EXPECT_EQ(1, Call("AddServiceEx", Consultation(input)).at("plID").as_integer());
    EXPECT_EQ(2, Call("AddService", Article("GA", "Gutachten A", 1.0, 2700.0, 2700.0, 8.0))
                     .at("plID")
                     .as_integer());
    EXPECT_EQ(3, Call("AddService", Article("GB", "Gutachten B", 1.0, 2500.0, 2500.0, 2.5))
                     .at("plID")
                     .as_integer());
    EXPECT_EQ(4, Call("AddService", Article("123456789", "test article", 1.0, 10.15, 10.15, 0.0))
                     .at("plID")
                     .as_integer());
    EXPECT_EQ(5, Call("AddService",
                      Article("1234567890", "test article fractional", 0.5, 10.15, 5.08, 0.0))
                     .at("plID")
                     .as_integer());
}

}  // namespace invoice_http
