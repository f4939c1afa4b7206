// The POST operations of IAddress and IServiceExInput over HTTP against the
// real service: values set and read back, lists read one by one and as a
// whole, their ends, and the module's refusals as abort replies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace {

using invoice_http::Answer;
using invoice_http::Handle;
using invoice_http::Object;
using invoice_http::Text;
using web::json::value;

constexpr const char* kAddress = "IAddress";
constexpr const char* kInput = "IServiceExInput";
constexpr int kInvalidArg = static_cast<int>(0x80070057);  // the module's E_INVALIDARG
constexpr int kFail = static_cast<int>(0x80004005);        // the module's E_FAIL

// Two valid GLNs.
constexpr const char* kGlnA = invoice_http::kBillerGln;
constexpr const char* kGlnB = invoice_http::kRecipientGln;

std::string Envelope(const Answer& answer, int code) {
    return ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, code);
}

std::string S(const value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_string() ? body.at(key).as_string()
                                                           : "<missing " + std::string(key) + ">";
}
int I(const value& body, const char* key) {
    return body.has_field(key) && body.at(key).is_integer() ? body.at(key).as_integer() : -99999;
}
// True or false as answered; anything else fails the test.
bool B(const value& body, const char* key) {
    bool present = body.has_field(key) && body.at(key).is_boolean();
    EXPECT_TRUE(present) << key << " in " << body.serialize();
    return present && body.at(key).as_bool();
}

// The sorted member names of a reply object.
std::vector<std::string> Keys(const value& body) {
    std::vector<std::string> keys;
    if (!body.is_object()) return keys;
    for (const auto& member : body.as_object()) keys.push_back(member.first);
    return keys;
}

value Phone(const std::string& number, const std::string& local, const std::string& international,
            const std::string& ext) {
    return Object({{"bstrNumber", Text(number)},
                   {"bstrLocalCode", Text(local)},
                   {"bstrInternationalCode", Text(international)},
                   {"bstrExt", Text(ext)}});
}

// One service for the suite; each test makes its own request, with one
// address and one service input on it.
class PostObjectsTest : public SuiteServer<PostObjectsTest> {
  protected:
    void SetUp() override {
        SuiteServer::SetUp();
        int manager = client_.Manager();
        ASSERT_GT(manager, 0);
        request_ = client_.Request(manager);
        ASSERT_GT(request_, 0);
        address_ = client_.Address(request_);
        ASSERT_GT(address_, 0);
        input_ = client_.ServiceInput(request_, "001");
        ASSERT_GT(input_, 0);
    }

    Answer OnAddress(const std::string& method, value args = value::object()) {
        return client_.Post(kAddress, method, address_, std::move(args));
    }
    Answer OnInput(const std::string& method, value args = value::object()) {
        return client_.Post(kInput, method, input_, std::move(args));
    }
    // A call that succeeds with pbStatus true; its reply.
    value SetAddress(const std::string& method, value args) {
        return client_.Call(kAddress, method, address_, std::move(args));
    }
    value SetInput(const std::string& method, value args) {
        return client_.Call(kInput, method, input_, std::move(args));
    }
    // A read that answers 200; its reply.
    value Read(const char* interfaceName, const std::string& method, value args = value::object()) {
        int target = std::string(interfaceName) == kAddress ? address_ : input_;
        Answer answer = client_.Post(interfaceName, method, target, std::move(args));
        EXPECT_EQ(200, answer.status) << method << ": " << answer.text;
        return answer.body;
    }

    invoice_http::Client client_{*server_};
    int request_ = 0;
    int address_ = 0;
    int input_ = 0;
};

// ---------------------------------------------------------------------------
// IAddress

TEST_F(PostObjectsTest, PersonIsReadBackAsSet) {
    value set = SetAddress("SetPerson", Object({{"bstrFamilyname", Text("Muster")},
                                                {"bstrGivenname", Text("Anna")},
                                                {"bstrSalutation", Text("Frau")},
                                                {"bstrTitle", Text("Dr. med.")},
                                                {"bstrSubaddressing", Text("c/o Praxis")}}));
    EXPECT_EQ(std::vector<std::string>{"pbStatus"}, Keys(set));

    value person = Read(kAddress, "GetPerson");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrFamilyname", "pbstrGivenname",
                                        "pbstrSalutation", "pbstrSubaddressing", "pbstrTitle"}),
              Keys(person));
    EXPECT_EQ("Muster", S(person, "pbstrFamilyname"));
    EXPECT_EQ("Anna", S(person, "pbstrGivenname"));
    EXPECT_EQ("Frau", S(person, "pbstrSalutation"));
    EXPECT_EQ("Dr. med.", S(person, "pbstrTitle"));
    EXPECT_EQ("c/o Praxis", S(person, "pbstrSubaddressing"));
    EXPECT_TRUE(B(person, "pbStatus"));

    // A person has no company: the read succeeds with its status false.
    value company = Read(kAddress, "GetCompany");
    EXPECT_FALSE(B(company, "pbStatus"));
    EXPECT_EQ("", S(company, "pbstrCompanyName"));
}

TEST_F(PostObjectsTest, CompanyIsReadBackAsSetAndReplacesThePerson) {
    SetAddress("SetPerson", Object({{"bstrFamilyname", Text("Muster")},
                                    {"bstrGivenname", Text("Anna")},
                                    {"bstrSalutation", Text("")},
                                    {"bstrTitle", Text("")},
                                    {"bstrSubaddressing", Text("")}}));
    SetAddress("SetCompany", Object({{"bstrCompanyName", Text("Gruppenpraxis Aare AG")},
                                     {"bstrDepartment", Text("Labor")},
                                     {"bstrSubaddressing", Text("Haus B")}}));
    value company = Read(kAddress, "GetCompany");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrCompanyName", "pbstrDepartment",
                                        "pbstrSubaddressing"}),
              Keys(company));
    EXPECT_EQ("Gruppenpraxis Aare AG", S(company, "pbstrCompanyName"));
    EXPECT_EQ("Labor", S(company, "pbstrDepartment"));
    EXPECT_EQ("Haus B", S(company, "pbstrSubaddressing"));
    EXPECT_TRUE(B(company, "pbStatus"));
    EXPECT_FALSE(B(Read(kAddress, "GetPerson"), "pbStatus"));
}

TEST_F(PostObjectsTest, PostalFaxAndOnlineAreReadBackAsSet) {
    SetAddress("SetPostal", Object({{"bstrStreet", Text("Bahnhofstrasse 1")},
                                    {"bstrPoBox", Text("Postfach 12")},
                                    {"bstrZip", Text("3000")},
                                    {"bstrCity", Text("Bern")},
                                    {"bstrStateCode", Text("BE")},
                                    {"bstrCountryCode", Text("CH")}}));
    value postal = Read(kAddress, "GetPostal");
    EXPECT_EQ(7u, postal.size()) << postal.serialize();
    EXPECT_EQ("Bahnhofstrasse 1", S(postal, "pbstrStreet"));
    EXPECT_EQ("Postfach 12", S(postal, "pbstrPoBox"));
    EXPECT_EQ("3000", S(postal, "pbstrZip"));
    EXPECT_EQ("Bern", S(postal, "pbstrCity"));
    EXPECT_EQ("BE", S(postal, "pbstrStateCode"));
    EXPECT_EQ("CH", S(postal, "pbstrCountryCode"));
    EXPECT_TRUE(B(postal, "pbStatus"));

    SetAddress("SetFax", Phone("311 22 33", "031", "+41", "9"));
    value fax = Read(kAddress, "GetFax");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrExt", "pbstrInternationalCode",
                                        "pbstrLocalCode", "pbstrNumber"}),
              Keys(fax));
    EXPECT_EQ("311 22 33", S(fax, "pbstrNumber"));
    EXPECT_EQ("031", S(fax, "pbstrLocalCode"));
    EXPECT_EQ("+41", S(fax, "pbstrInternationalCode"));
    EXPECT_EQ("9", S(fax, "pbstrExt"));
    EXPECT_TRUE(B(fax, "pbStatus"));

    SetAddress("SetOnline", Object({{"bstrEMail", Text("praxis@example.ch")},
                                    {"bstrUrl", Text("https://example.ch/praxis")}}));
    value online = Read(kAddress, "GetOnline");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrEMail", "pbstrUrl"}), Keys(online));
    EXPECT_EQ("praxis@example.ch", S(online, "pbstrEMail"));
    EXPECT_EQ("https://example.ch/praxis", S(online, "pbstrUrl"));
    EXPECT_TRUE(B(online, "pbStatus"));
}

TEST_F(PostObjectsTest, TextsKeepAccentsAndNumbersBecomeText) {
    // Umlauts travel as UTF-8 both ways; a number given for a text member
    // is passed as its decimal text.
    SetAddress("SetPostal", Object({{"bstrStreet", Text("Zürichstrasse 5")},
                                    {"bstrPoBox", Text("")},
                                    {"bstrZip", value::number(8001)},
                                    {"bstrCity", Text("Zürich")},
                                    {"bstrStateCode", Text("")},
                                    {"bstrCountryCode", Text("CH")}}));
    value postal = Read(kAddress, "GetPostal");
    EXPECT_EQ("Zürichstrasse 5", S(postal, "pbstrStreet"));
    EXPECT_EQ("8001", S(postal, "pbstrZip"));
    EXPECT_EQ("Zürich", S(postal, "pbstrCity"));
}

TEST_F(PostObjectsTest, PhonesByFirstNextAndAsCollection) {
    SetAddress("AddPhone", Phone("22", "31", "41", ""));
    SetAddress("AddPhone", Phone("555 55 55", "", "", "12"));

    value first = Read(kAddress, "GetFirstPhone");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrExt", "pbstrInternationalCode",
                                        "pbstrLocalCode", "pbstrNumber"}),
              Keys(first));
    EXPECT_EQ("22", S(first, "pbstrNumber"));
    EXPECT_EQ("31", S(first, "pbstrLocalCode"));
    EXPECT_EQ("41", S(first, "pbstrInternationalCode"));
    EXPECT_EQ("", S(first, "pbstrExt"));
    EXPECT_TRUE(B(first, "pbStatus"));
    value second = Read(kAddress, "GetNextPhone");
    EXPECT_EQ("555 55 55", S(second, "pbstrNumber"));
    EXPECT_EQ("12", S(second, "pbstrExt"));

    // The end of the list: 204, which ends at its headers.
    Answer end = OnAddress("GetNextPhone");
    EXPECT_EQ(204, end.status) << end.text;
    EXPECT_EQ("", end.text);

    Answer phones = OnAddress("GetPhones");
    ASSERT_EQ(200, phones.status) << phones.text;
    ASSERT_TRUE(phones.body.is_array()) << phones.text;
    ASSERT_EQ(2u, phones.body.size()) << phones.text;
    // The collection names the number "pstrNumber"; pbStatus is always true.
    const value& one = phones.body.at(0);
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrExt", "pbstrInternationalCode",
                                        "pbstrLocalCode", "pstrNumber"}),
              Keys(one));
    EXPECT_EQ("22", S(one, "pstrNumber"));
    EXPECT_EQ("41", S(one, "pbstrInternationalCode"));
    EXPECT_TRUE(B(one, "pbStatus"));
    EXPECT_EQ("555 55 55", S(phones.body.at(1), "pstrNumber"));
    EXPECT_TRUE(B(phones.body.at(1), "pbStatus"));
}

TEST_F(PostObjectsTest, AddressWithoutPhonesAnswers204) {
    Answer phones = OnAddress("GetPhones");
    EXPECT_EQ(204, phones.status) << phones.text;
    EXPECT_EQ("", phones.text);
    Answer first = OnAddress("GetFirstPhone");
    EXPECT_EQ(204, first.status) << first.text;
    EXPECT_EQ("", first.text);
}

TEST_F(PostObjectsTest, InitializeEmptiesTheAddress) {
    SetAddress("SetPerson", Object({{"bstrFamilyname", Text("Muster")},
                                    {"bstrGivenname", Text("Anna")},
                                    {"bstrSalutation", Text("")},
                                    {"bstrTitle", Text("")},
                                    {"bstrSubaddressing", Text("")}}));
    SetAddress("AddPhone", Phone("22", "", "", ""));
    value initialized = SetAddress("Initialize", value::object());
    EXPECT_EQ(1u, initialized.size()) << initialized.serialize();
    value person = Read(kAddress, "GetPerson");
    EXPECT_EQ("", S(person, "pbstrFamilyname"));
    EXPECT_FALSE(B(person, "pbStatus"));
    EXPECT_EQ(204, OnAddress("GetPhones").status);
}

TEST_F(PostObjectsTest, AddressRefusalIsTheAbortReplyWithTheModulesText) {
    // A family name is required.
    Answer refused = OnAddress("SetPerson", Object({{"bstrFamilyname", Text("")},
                                                    {"bstrGivenname", Text("Anna")},
                                                    {"bstrSalutation", Text("")},
                                                    {"bstrTitle", Text("")},
                                                    {"bstrSubaddressing", Text("")}}));
    std::string text = Envelope(refused, kInvalidArg);
    EXPECT_EQ(0u, text.find("SetPerson: bstrFamilyname")) << text;
    // The module log has the method as written, the result and the text.
    EXPECT_NE(std::string::npos, server_->ReadLog().find(
                                     "SetPerson(err=" + std::to_string(kInvalidArg) + " - " + text))
        << server_->ReadLog();

    // The address's abort information tells the same; the object is usable.
    value info = Read(kAddress, "GetAbortInfo");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrAbort"}), Keys(info));
    EXPECT_EQ(text, S(info, "pbstrAbort"));
    EXPECT_TRUE(B(info, "pbStatus"));

    Answer mail =
        OnAddress("SetOnline", Object({{"bstrEMail", Text("no-at-sign")}, {"bstrUrl", Text("")}}));
    text = Envelope(mail, kInvalidArg);
    EXPECT_EQ(0u, text.find("SetOnline: bstrEMail")) << text;
    EXPECT_NE(std::string::npos, text.find("no-at-sign")) << text;
    EXPECT_EQ(200, OnAddress("GetOnline").status);
}

TEST_F(PostObjectsTest, FourthPhoneIsRefusedByTheModule) {
    for (const char* number : {"11", "22", "33"}) SetAddress("AddPhone", Phone(number, "", "", ""));
    std::string text = Envelope(OnAddress("AddPhone", Phone("44", "", "", "")), kFail);
    EXPECT_EQ(0u, text.find("AddPhone:")) << text;
    Answer phones = OnAddress("GetPhones");
    ASSERT_EQ(200, phones.status) << phones.text;
    EXPECT_EQ(3u, phones.body.size()) << phones.text;
}

TEST_F(PostObjectsTest, AddressMethodNamesIgnoreCase) {
    Answer answer =
        OnAddress("setonline", Object({{"bstrEMail", Text("a@b.ch")}, {"bstrUrl", Text("")}}));
    EXPECT_EQ(200, answer.status) << answer.text;
    EXPECT_EQ("a@b.ch", S(Read(kAddress, "GETONLINE"), "pbstrEMail"));
}

TEST_F(PostObjectsTest, AddressIsNamedByAnyOfItsTargetKeys) {
    // "pIAddress", else "lAddress", else "addr"; a "pIAddress" of 0 names none.
    for (const std::string& target : {"\"lAddress\":" + std::to_string(address_),
                                      "\"pIAddress\":0,\"addr\":" + std::to_string(address_),
                                      "\"pIAddress\":\"" + std::to_string(address_) + "\""}) {
        SCOPED_TRACE(target);
        Answer answer = client_.Post(kAddress, "SetOnline",
                                     "{" + target + ",\"bstrEMail\":\"a@b.ch\",\"bstrUrl\":\"\"}");
        EXPECT_EQ(200, answer.status) << answer.text;
    }
    EXPECT_EQ("a@b.ch", S(Read(kAddress, "GetOnline"), "pbstrEMail"));
}

TEST_F(PostObjectsTest, MemberKeysAreMatchedExactly) {
    Answer answer = OnAddress("SetPerson", Object({{"bstrfamilyname", Text("Muster")},
                                                   {"bstrGivenname", Text("Anna")},
                                                   {"bstrSalutation", Text("")},
                                                   {"bstrTitle", Text("")},
                                                   {"bstrSubaddressing", Text("")}}));
    EXPECT_EQ(
        "The variable [bstrFamilyname] could not be extracted from the JSON of "
        "[IAddress::SetPerson]",
        Envelope(answer, 408));
    EXPECT_FALSE(B(Read(kAddress, "GetPerson"), "pbStatus"));
}

// ---------------------------------------------------------------------------
// IServiceExInput

TEST_F(PostObjectsTest, PhysicianPatientAndTreatmentAreReadBackAsSet) {
    SetInput("SetPhysician", Object({{"eMedicalRole", Handle(2)},
                                     {"eBillingRole", Handle(3)},
                                     {"bstrEanNumberProvider", Text(kGlnA)},
                                     {"bstrEanNumberResponsible", Text(kGlnB)}}));
    value physician = Read(kInput, "GetPhysician");
    EXPECT_EQ(
        (std::vector<std::string>{"pbStatus", "pbstrEanNumberProvider", "pbstrEanNumberResponsible",
                                  "peBillingRole", "peMedicalRole"}),
        Keys(physician));
    EXPECT_EQ(2, I(physician, "peMedicalRole"));
    EXPECT_EQ(3, I(physician, "peBillingRole"));
    EXPECT_EQ(kGlnA, S(physician, "pbstrEanNumberProvider"));
    EXPECT_EQ(kGlnB, S(physician, "pbstrEanNumberResponsible"));
    EXPECT_TRUE(B(physician, "pbStatus"));

    // The birth date with a time of day is answered as the day at midnight.
    SetInput("SetPatient",
             Object({{"dBirthdate", Text("1957-04-14T10:30:00")}, {"eSex", Handle(2)}}));
    value patient = Read(kInput, "GetPatient");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pdBirthdate", "peSex"}), Keys(patient));
    EXPECT_EQ("1957-04-14T00:00:00", S(patient, "pdBirthdate"));
    EXPECT_EQ(2, I(patient, "peSex"));

    // Enumerations given as decimal text.
    SetInput("SetTreatment", Object({{"eCanton", Text("4")},
                                     {"eLaw", Handle(1)},
                                     {"eTreatmentType", Handle(2)},
                                     {"eSettlement", Handle(2)},
                                     {"bstrEanNumberSection", Text(kGlnB)}}));
    value treatment = Read(kInput, "GetTreatment");
    EXPECT_EQ(6u, treatment.size()) << treatment.serialize();
    EXPECT_EQ(4, I(treatment, "peCanton"));
    EXPECT_EQ(1, I(treatment, "peLaw"));
    EXPECT_EQ(2, I(treatment, "peTreatmentType"));
    EXPECT_EQ(2, I(treatment, "peSettlement"));
    EXPECT_EQ(kGlnB, S(treatment, "pbstrEanNumberSection"));
    EXPECT_TRUE(B(treatment, "pbStatus"));
}

TEST_F(PostObjectsTest, TokensByFirstNextAndAsCollection) {
    SetInput("InitToken", value::object());
    SetInput("AddToken", Object({{"bstrToken", Text("side")}, {"bstrValue", Text("left")}}));
    SetInput("AddToken", Object({{"bstrToken", Text("note")}, {"bstrValue", Text("")}}));

    value first = Read(kInput, "GetFirstToken");
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrToken", "pbstrValue"}), Keys(first));
    EXPECT_EQ("side", S(first, "pbstrToken"));
    EXPECT_EQ("left", S(first, "pbstrValue"));
    EXPECT_TRUE(B(first, "pbStatus"));
    EXPECT_EQ("note", S(Read(kInput, "GetNextToken"), "pbstrToken"));
    Answer end = OnInput("GetNextToken");
    EXPECT_EQ(204, end.status) << end.text;
    EXPECT_EQ("", end.text);

    Answer tokens = OnInput("GetTokens");
    ASSERT_EQ(200, tokens.status) << tokens.text;
    ASSERT_EQ(2u, tokens.body.size()) << tokens.text;
    EXPECT_EQ("side", S(tokens.body.at(0), "pbstrToken"));
    EXPECT_EQ("left", S(tokens.body.at(0), "pbstrValue"));
    EXPECT_EQ("note", S(tokens.body.at(1), "pbstrToken"));
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(3u, tokens.body.at(k).size());
        EXPECT_TRUE(B(tokens.body.at(k), "pbStatus"));
    }

    // InitToken empties the list.
    SetInput("InitToken", value::object());
    Answer none = OnInput("GetTokens");
    EXPECT_EQ(204, none.status) << none.text;
    EXPECT_EQ("", none.text);
    EXPECT_EQ(204, OnInput("GetFirstToken").status);
}

TEST_F(PostObjectsTest, DignitiesAreFoundByTheirCriteria) {
    SetInput("AddDignity", Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrQLCode", Text("0500")}}));
    SetInput("AddDignity", Object({{"bstrEanNumber", Text(kGlnB)}, {"bstrQLCode", Text("0600")}}));
    SetInput("AddDignity", Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrQLCode", Text("0700")}}));

    // The criteria go to the first read; empty criteria match everything.
    Answer all =
        OnInput("GetDignities", Object({{"bstrEanNumber", Text("")}, {"bstrQLCode", Text("")}}));
    ASSERT_EQ(200, all.status) << all.text;
    ASSERT_EQ(3u, all.body.size()) << all.text;
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrEanNumber", "pbstrQLCode"}),
              Keys(all.body.at(1)));
    EXPECT_EQ(kGlnB, S(all.body.at(1), "pbstrEanNumber"));
    EXPECT_EQ("0600", S(all.body.at(1), "pbstrQLCode"));

    Answer ofA =
        OnInput("GetDignities", Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrQLCode", Text("")}}));
    ASSERT_EQ(200, ofA.status) << ofA.text;
    ASSERT_EQ(2u, ofA.body.size()) << ofA.text;
    EXPECT_EQ("0500", S(ofA.body.at(0), "pbstrQLCode"));
    EXPECT_EQ("0700", S(ofA.body.at(1), "pbstrQLCode"));
    EXPECT_TRUE(B(ofA.body.at(1), "pbStatus"));

    // The same walk one by one.
    value first = Read(kInput, "GetFirstDignity",
                       Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrQLCode", Text("")}}));
    EXPECT_EQ("0500", S(first, "pbstrQLCode"));
    EXPECT_EQ(kGlnA, S(first, "pbstrEanNumber"));
    EXPECT_EQ("0700", S(Read(kInput, "GetNextDignity"), "pbstrQLCode"));
    Answer end = OnInput("GetNextDignity");
    EXPECT_EQ(204, end.status) << end.text;
    EXPECT_EQ("", end.text);

    Answer none = OnInput("GetDignities",
                          Object({{"bstrEanNumber", Text("")}, {"bstrQLCode", Text("9999")}}));
    EXPECT_EQ(204, none.status) << none.text;
    EXPECT_EQ("", none.text);

    // InitDignity empties the list.
    SetInput("InitDignity", value::object());
    Answer emptied =
        OnInput("GetFirstDignity", Object({{"bstrEanNumber", Text("")}, {"bstrQLCode", Text("")}}));
    EXPECT_EQ(204, emptied.status) << emptied.text;
    EXPECT_EQ("", emptied.text);
}

TEST_F(PostObjectsTest, SectionsAreFoundByTheirCriteria) {
    SetInput("AddSection", Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrCode", Text("M100")}}));
    SetInput("AddSection", Object({{"bstrEanNumber", Text(kGlnB)}, {"bstrCode", Text("M200")}}));

    Answer byCode =
        OnInput("GetSections", Object({{"bstrEanNumber", Text("")}, {"bstrCode", Text("M200")}}));
    ASSERT_EQ(200, byCode.status) << byCode.text;
    ASSERT_EQ(1u, byCode.body.size()) << byCode.text;
    EXPECT_EQ((std::vector<std::string>{"pbStatus", "pbstrCode", "pbstrEanNumber"}),
              Keys(byCode.body.at(0)));
    EXPECT_EQ(kGlnB, S(byCode.body.at(0), "pbstrEanNumber"));
    EXPECT_TRUE(B(byCode.body.at(0), "pbStatus"));

    value first = Read(kInput, "GetFirstSection",
                       Object({{"bstrEanNumber", Text("")}, {"bstrCode", Text("")}}));
    EXPECT_EQ("M100", S(first, "pbstrCode"));
    EXPECT_EQ("M200", S(Read(kInput, "GetNextSection"), "pbstrCode"));
    EXPECT_EQ(204, OnInput("GetNextSection").status);

    SetInput("InitSection", value::object());
    EXPECT_EQ(204,
              OnInput("GetSections", Object({{"bstrEanNumber", Text("")}, {"bstrCode", Text("")}}))
                  .status);
}

TEST_F(PostObjectsTest, InitializeEmptiesTheServiceInput) {
    SetInput("AddToken", Object({{"bstrToken", Text("side")}, {"bstrValue", Text("left")}}));
    SetInput("AddDignity", Object({{"bstrEanNumber", Text(kGlnA)}, {"bstrQLCode", Text("0500")}}));
    SetInput("Initialize", value::object());
    EXPECT_EQ(204, OnInput("GetTokens").status);
    EXPECT_EQ(204, OnInput("GetDignities",
                           Object({{"bstrEanNumber", Text("")}, {"bstrQLCode", Text("")}}))
                       .status);
}

TEST_F(PostObjectsTest, ServiceInputRefusalIsTheAbortReplyWithTheModulesText) {
    // A GLN whose check digit is wrong.
    Answer refused =
        OnInput("SetPhysician", Object({{"eMedicalRole", Handle(1)},
                                        {"eBillingRole", Handle(3)},
                                        {"bstrEanNumberProvider", Text(kGlnA)},
                                        {"bstrEanNumberResponsible", Text("76010000")}}));
    std::string text = Envelope(refused, kInvalidArg);
    EXPECT_EQ(0u, text.find("SetPhysician: bstrEanNumberResponsible")) << text;
    EXPECT_NE(std::string::npos, text.find("76010000")) << text;
    value info = Read(kInput, "GetAbortInfo");
    EXPECT_EQ(text, S(info, "pbstrAbort"));
    EXPECT_TRUE(B(info, "pbStatus"));

    // An enumeration value the module does not know.
    Answer sex =
        OnInput("SetPatient", Object({{"dBirthdate", Text("1957-04-14")}, {"eSex", Handle(9)}}));
    text = Envelope(sex, kInvalidArg);
    EXPECT_EQ(0u, text.find("SetPatient: eSex")) << text;

    // A date that does not parse reaches the module as no date.
    Answer date =
        OnInput("SetPatient", Object({{"dBirthdate", Text("14.04.1957")}, {"eSex", Handle(2)}}));
    text = Envelope(date, kInvalidArg);
    EXPECT_EQ(0u, text.find("SetPatient: dBirthdate")) << text;

    // A refused call changes nothing.
    SetInput("AddToken", Object({{"bstrToken", Text("side")}, {"bstrValue", Text("left")}}));
    Envelope(OnInput("AddToken", Object({{"bstrToken", Text("")}, {"bstrValue", Text("x")}})),
             kInvalidArg);
    Answer tokens = OnInput("GetTokens");
    ASSERT_EQ(200, tokens.status) << tokens.text;
    EXPECT_EQ(1u, tokens.body.size()) << tokens.text;
}

TEST_F(PostObjectsTest, MissingMemberOfAServiceInputCallsNothing) {
    SetInput("AddToken", Object({{"bstrToken", Text("side")}, {"bstrValue", Text("left")}}));
    Answer answer = OnInput("AddToken", Object({{"bstrToken", Text("note")}}));
    EXPECT_EQ(
        "The variable [bstrValue] could not be extracted from the JSON of "
        "[IServiceExInput::AddToken]",
        Envelope(answer, 408));
    Answer tokens = OnInput("GetTokens");
    ASSERT_EQ(200, tokens.status) << tokens.text;
    EXPECT_EQ(1u, tokens.body.size()) << tokens.text;
}

}  // namespace
