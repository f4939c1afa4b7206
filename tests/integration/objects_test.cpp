// The module's objects against the real service: values set and read back
// by POST, GET and PUT, lists read one by one and as a whole with their
// ends, releases, and the refusals of the module and of the service as
// error replies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/integration/invoice_over_http.h"
#include "tests/integration/suite_server.h"

namespace {

using namespace invoice_http;

// One service for the suite; each test makes its own request, with one
// address and one service input on it.
class ObjectsTest : public SuiteServer<ObjectsTest> {
  protected:
    void SetUp() override {
        SuiteServer::SetUp();
        manager_ = client_.Manager();
        request_ = client_.Request(manager_);
        address_ = client_.Address(request_);
        input_ = client_.ServiceInput(request_);
        ASSERT_GT(input_, 0);
    }
    int Target(const std::string& interfaceName) const {
        return interfaceName == kManager   ? manager_
               : interfaceName == kRequest ? request_
               : interfaceName == kAddress ? address_
                                           : input_;
    }
    Answer Post(const std::string& interfaceName, const std::string& method,
                const std::string& args = "{}") {
        return client_.Post(interfaceName, method, Target(interfaceName), args);
    }
    Answer OnManager(const char* method, int manager) {
        return client_.Get(kManager, method, "pITarvos=" + std::to_string(manager));
    }

    Client client_{*server_};
    int manager_ = 0, request_ = 0, address_ = 0, input_ = 0;
};

struct RoundTrip {
    const char* interfaceName;
    const char* set;  // nullptr: the read alone
    std::string args;
    const char* get;
    std::string reply;  // the whole reply of `get`
};

TEST_F(ObjectsTest, ValuesAreReadBackAsSet) {
    const std::string glnA = kBillerGln, glnB = kRecipientGln;
    const RoundTrip trips[] = {
        {kAddress, "SetPerson",
         R"({"bstrFamilyname":"Muster","bstrGivenname":"Anna","bstrSalutation":"Frau",)"
         R"("bstrTitle":"Dr. med.","bstrSubaddressing":"c/o Praxis"})",
         "GetPerson",
         R"({"pbStatus":true,"pbstrFamilyname":"Muster","pbstrGivenname":"Anna",)"
         R"("pbstrSalutation":"Frau","pbstrSubaddressing":"c/o Praxis","pbstrTitle":"Dr. med."})"},
        // A company replaces the person: its read keeps the texts, status false.
        {kAddress, "SetCompany",
         R"({"bstrCompanyName":"Gruppenpraxis Aare AG","bstrDepartment":"Labor",)"
         R"("bstrSubaddressing":"Haus B"})",
         "GetCompany",
         R"({"pbStatus":true,"pbstrCompanyName":"Gruppenpraxis Aare AG",)"
         R"("pbstrDepartment":"Labor","pbstrSubaddressing":"Haus B"})"},
        {kAddress, nullptr, "", "GetPerson",
         R"({"pbStatus":false,"pbstrFamilyname":"Muster","pbstrGivenname":"Anna",)"
         R"("pbstrSalutation":"Frau","pbstrSubaddressing":"c/o Praxis","pbstrTitle":"Dr. med."})"},
        // Umlauts travel as UTF-8 both ways; a number for a text is its text.
        {kAddress, "SetPostal",
         R"({"bstrStreet":"Zürichstrasse 5","bstrPoBox":"Postfach 12","bstrZip":8001,)"
         R"("bstrCity":"Zürich","bstrStateCode":"ZH","bstrCountryCode":"CH"})",
         "GetPostal",
         R"({"pbStatus":true,"pbstrCity":"Zürich","pbstrCountryCode":"CH",)"
         R"("pbstrPoBox":"Postfach 12","pbstrStateCode":"ZH","pbstrStreet":"Zürichstrasse 5",)"
         R"("pbstrZip":"8001"})"},
        {kAddress, "SetFax",
         R"({"bstrNumber":"311 22 33","bstrLocalCode":"031","bstrInternationalCode":"+41",)"
         R"("bstrExt":"9"})",
         "GetFax",
         R"({"pbStatus":true,"pbstrExt":"9","pbstrInternationalCode":"+41",)"
         R"("pbstrLocalCode":"031","pbstrNumber":"311 22 33"})"},
        // Method names in any case.
        {kAddress, "setonline", R"({"bstrEMail":"praxis@example.ch","bstrUrl":"https://x.ch/p"})",
         "GETONLINE",
         R"({"pbStatus":true,"pbstrEMail":"praxis@example.ch","pbstrUrl":"https://x.ch/p"})"},
        {kInput, "SetPhysician",
         Fill(R"({"eMedicalRole":2,"eBillingRole":3,"bstrEanNumberProvider":"$",)"
              R"("bstrEanNumberResponsible":"$"})",
              {glnA, glnB}),
         "GetPhysician",
         Fill(R"({"pbStatus":true,"pbstrEanNumberProvider":"$","pbstrEanNumberResponsible":"$",)"
              R"("peBillingRole":3,"peMedicalRole":2})",
              {glnA, glnB})},
        // A birth date with a time of day is answered as the day at midnight.
        {kInput, "SetPatient", R"({"dBirthdate":"1957-04-14T10:30:00","eSex":2})", "GetPatient",
         R"({"pbStatus":true,"pdBirthdate":"1957-04-14T00:00:00","peSex":2})"},
        // Enumerations given as decimal text.
        {kInput, "SetTreatment",
         Fill(R"({"eCanton":"4","eLaw":1,"eTreatmentType":2,"eSettlement":2,)"
              R"("bstrEanNumberSection":"$"})",
              {glnB}),
         "GetTreatment",
         Fill(R"({"pbStatus":true,"pbstrEanNumberSection":"$","peCanton":4,"peLaw":1,)"
              R"("peSettlement":2,"peTreatmentType":2})",
              {glnB})},
        // A boolean for an enumeration is 1.
        {kManager, "SetLogSettings",
         R"({"lLogLevel":2,"lMaxSizeKB":100,"eDoArchive":true,"bstrArchiveDir":"arch"})",
         "GetLogSettings",
         R"({"pbStatus":true,"pbstrArchiveDir":"arch","peDoArchive":1,"plLogLevel":2,)"
         R"("plMaxSizeKB":100})"},
    };
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(std::string(trip.get) + " after " + trip.args);
        if (trip.set != nullptr) {
            EXPECT_EQ(R"({"pbStatus":true})", Post(trip.interfaceName, trip.set, trip.args).text);
        }
        Answer read = Post(trip.interfaceName, trip.get);
        EXPECT_EQ(200, read.status);
        EXPECT_EQ(Json(trip.reply), read.body) << read.text;
    }
}

struct List {
    const char* interfaceName;
    const char* add;
    std::vector<std::string> items;
    const char* all;  // the collection read
    const char* first;
    const char* next;
    std::string criteria;  // of the collection and the first read
    std::string expected;  // the collection's reply
    const char* init;      // empties the list
};

TEST_F(ObjectsTest, ListsByFirstNextAndAsCollection) {
    const std::string glnA = kBillerGln, glnB = kRecipientGln;
    const std::string dignity = R"({"bstrEanNumber":"$","bstrQLCode":"$"})";
    const std::string section = R"({"bstrEanNumber":"$","bstrCode":"$"})";
    const List lists[] = {
        {kAddress,
         "AddPhone",
         {R"({"bstrNumber":"22","bstrLocalCode":"31","bstrInternationalCode":"41","bstrExt":""})",
          R"({"bstrNumber":"555 55 55","bstrLocalCode":"","bstrInternationalCode":"",)"
          R"("bstrExt":"12"})"},
         "GetPhones",
         "GetFirstPhone",
         "GetNextPhone",
         "{}",
         R"([{"pbStatus":true,"pbstrExt":"","pbstrInternationalCode":"41","pbstrLocalCode":"31",)"
         R"("pstrNumber":"22"},{"pbStatus":true,"pbstrExt":"12","pbstrInternationalCode":"",)"
         R"("pbstrLocalCode":"","pstrNumber":"555 55 55"}])",
         "Initialize"},
        {kInput,
         "AddToken",
         {R"({"bstrToken":"side","bstrValue":"left"})", R"({"bstrToken":"note","bstrValue":""})"},
         "GetTokens",
         "GetFirstToken",
         "GetNextToken",
         "{}",
         R"([{"pbStatus":true,"pbstrToken":"side","pbstrValue":"left"},)"
         R"({"pbStatus":true,"pbstrToken":"note","pbstrValue":""}])",
         "InitToken"},
        // The criteria go to the first read; an empty one matches everything.
        {kInput,
         "AddDignity",
         {Fill(dignity, {glnA, "0500"}), Fill(dignity, {glnB, "0600"}),
          Fill(dignity, {glnA, "0700"})},
         "GetDignities",
         "GetFirstDignity",
         "GetNextDignity",
         Fill(dignity, {glnA, ""}),
         Fill(R"([{"pbStatus":true,"pbstrEanNumber":"$","pbstrQLCode":"0500"},)"
              R"({"pbStatus":true,"pbstrEanNumber":"$","pbstrQLCode":"0700"}])",
              {glnA, glnA}),
         "InitDignity"},
        {kInput,
         "AddSection",
         {Fill(section, {glnA, "M100"}), Fill(section, {glnB, "M200"})},
         "GetSections",
         "GetFirstSection",
         "GetNextSection",
         Fill(section, {"", "M200"}),
         Fill(R"([{"pbStatus":true,"pbstrCode":"M200","pbstrEanNumber":"$"}])", {glnB}),
         "InitSection"},
    };
    for (const List& list : lists) {
        SCOPED_TRACE(list.all);
        for (const std::string& item : list.items)
            client_.Call(list.interfaceName, list.add, Target(list.interfaceName), item);
        Answer all = Post(list.interfaceName, list.all, list.criteria);
        ASSERT_EQ(200, all.status) << all.text;
        EXPECT_EQ(Json(list.expected), all.body) << all.text;
        for (size_t k = 0; k < all.body.size(); ++k) {
            Answer read = Post(list.interfaceName, k == 0 ? list.first : list.next,
                               k == 0 ? list.criteria : "{}");
            EXPECT_EQ(200, read.status);
            EXPECT_EQ(AsRead(all.body.at(k)), read.body) << read.text;
        }
        ExpectEnd(Post(list.interfaceName, list.next));
        ExpectEnd(Post(list.interfaceName, list.next));
        client_.Call(list.interfaceName, list.init, Target(list.interfaceName), "{}");
        Answer none = Post(list.interfaceName, list.all, list.criteria);
        ExpectEnd(none);
        EXPECT_TRUE(none.body.is_null()) << none.text;
        ExpectEnd(Post(list.interfaceName, list.first, list.criteria));
    }
}

struct Refusal {
    const char* interfaceName;
    const char* method;
    std::string args;
    int code;
    std::string text;  // the reply's text or, for the module's refusals, its start
};

TEST_F(ObjectsTest, RefusalsAreErrorRepliesAndChangeNothing) {
    client_.Call(kInput, "AddToken", input_, R"({"bstrToken":"side","bstrValue":"left"})");
    for (const char* number : {"11", "22", "33"}) {
        client_.Call(kAddress, "AddPhone", address_,
                     Fill(R"({"bstrNumber":"$","bstrLocalCode":"","bstrInternationalCode":"",)"
                          R"("bstrExt":""})",
                          {number}));
    }
    const Refusal refusals[] = {
        {kAddress, "SetPerson",
         R"({"bstrFamilyname":"","bstrGivenname":"Anna","bstrSalutation":"","bstrTitle":"",)"
         R"("bstrSubaddressing":""})",
         kInvalidArg, "SetPerson: bstrFamilyname"},
        {kAddress, "SetOnline", R"({"bstrEMail":"no-at-sign","bstrUrl":""})", kInvalidArg,
         "SetOnline: bstrEMail"},
        {kAddress, "AddPhone",
         R"({"bstrNumber":"44","bstrLocalCode":"","bstrInternationalCode":"","bstrExt":""})", kFail,
         "AddPhone:"},
        {kInput, "SetPhysician",
         Fill(R"({"eMedicalRole":1,"eBillingRole":3,"bstrEanNumberProvider":"$",)"
              R"("bstrEanNumberResponsible":"76010000"})",
              {kBillerGln}),
         kInvalidArg, "SetPhysician: bstrEanNumberResponsible"},
        {kInput, "SetPatient", R"({"dBirthdate":"1957-04-14","eSex":9})", kInvalidArg,
         "SetPatient: eSex"},
        // A date that does not parse reaches the module as no date.
        {kInput, "SetPatient", R"({"dBirthdate":"14.04.1957","eSex":2})", kInvalidArg,
         "SetPatient: dBirthdate"},
        {kInput, "AddToken", R"({"bstrToken":"","bstrValue":"x"})", kInvalidArg, "AddToken:"},
        {kRequest, "SetInsurance", R"({"bstrEAN":"7601000000003","pIAddress":0})", kInvalidArg,
         "SetInsurance: bstrEAN"},
        // A missing member: nothing is called.
        {kInput, "AddToken", R"({"bstrToken":"note"})", 408,
         "The variable [bstrValue] could not be extracted from the JSON of "
         "[IServiceExInput::AddToken]"},
        {kManager, "SetLogSettings", R"({"lLogLevel":3,"lMaxSizeKB":9,"eDoArchive":1})", 408,
         "The variable [bstrArchiveDir] could not be extracted from the JSON of "
         "[ITarvos::SetLogSettings]"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(std::string(refusal.method) + " " + refusal.args);
        std::string text =
            ExpectEnvelope(Post(refusal.interfaceName, refusal.method, refusal.args), refusal.code);
        if (refusal.code > 0) {
            EXPECT_EQ(refusal.text, text);
            continue;
        }
        EXPECT_EQ(0u, text.find(refusal.text)) << text;
        // The object's abort information tells the same.
        EXPECT_EQ(
            Json(R"({"pbStatus":true,"pbstrAbort":)" + web::json::value(text).serialize() + "}"),
            Post(refusal.interfaceName, "GetAbortInfo").body);
    }
    // The module log has the method, the result and the text.
    EXPECT_NE(std::string::npos,
              server_->ReadLog().find("SetOnline(err=" + std::to_string(kInvalidArg) +
                                      " - SetOnline: bstrEMail"));
    EXPECT_EQ(3u, Post(kAddress, "GetPhones").body.size());
    EXPECT_EQ(1u, Post(kInput, "GetTokens").body.size());
    EXPECT_EQ(R"({"pbStatus":true,"pbstrArchiveDir":"","peDoArchive":1,"plLogLevel":1,)"
              R"("plMaxSizeKB":4000})",
              Post(kManager, "GetLogSettings").text);
}

TEST_F(ObjectsTest, ReadsAndWritesOfProperties) {
    const int manager = manager_, address = address_, input = input_;
    EXPECT_EQ(Json(R"({"peAddressType":0})"),
              client_.Get(kAddress, "GetType", "pIAddress=" + std::to_string(address)).body);
    EXPECT_FALSE(
        OnManager("GetModuleVersion", manager).body["pbstrModuleVersion"].as_string().empty());
    EXPECT_EQ(Json(R"({"peModusType":1})"), OnManager("GetModus", manager).body);

    // A write answers null; method names in any case; a number as text.
    const std::string target = R"({"pITarvos":)" + std::to_string(manager);
    EXPECT_EQ("null", client_.Put(kManager, "PutModus", target + R"(,"eModusType":2})").text);
    EXPECT_EQ(Json(R"({"peModusType":2})"), OnManager("getmodus", manager).body);
    EXPECT_EQ("null", client_
                          .Put(kInput, "PutExternalFactor_MT",
                               R"({"pIServiceExInput":)" + std::to_string(input) +
                                   R"(,"dExternalFactor_MT":"1.25"})")
                          .text);
    EXPECT_EQ(
        Json(R"({"pdExternalFactor_MT":1.25})"),
        client_.Get(kInput, "GetExternalFactor_MT", "pIServiceExInput=" + std::to_string(input))
            .body);

    EXPECT_EQ(
        "The variable [eModusType] could not be extracted from the JSON of [ITarvos::PutModus]",
        ExpectEnvelope(client_.Put(kManager, "PutModus", target + R"(,"eModus":2})"), 408));
    // A read is no PUT operation; the result interface has no GET operations.
    ExpectEnvelope(
        client_.Put(kAddress, "GetType", R"({"pIAddress":)" + std::to_string(address) + "}"), 403);
    for (const char* method : {"GetAbortInfo", "GetInvoice", "GetType", "x"}) {
        // Any live handle of the group passes the frame's instance check.
        EXPECT_EQ(std::string("The given interface method [IGeneralInvoiceResult::") + method +
                      "] does not exist",
                  ExpectEnvelope(client_.Get(kResult, method,
                                             "pIGeneralInvoiceResult=" + std::to_string(address)),
                                 403));
    }
}

TEST_F(ObjectsTest, ReleasesTakeTheGroupButNotTheServiceInputsOwn) {
    const int manager = manager_, request = request_, address = address_, input = input_;
    int other = client_.Request(manager);
    const std::string target = R"({"pITarvos":)" + std::to_string(manager);
    EXPECT_EQ("null",
              client_
                  .Put(kManager, "PutDestructGeneralInvoiceRequest",
                       target + R"(,"pIGeneralInvoiceRequest":)" + std::to_string(other) + "}")
                  .text);
    ExpectEnvelope(client_.Get(kRequest, "GetCreateAddress",
                               "pIGeneralInvoiceRequest=" + std::to_string(other)),
                   402);
    EXPECT_EQ(200, OnManager("GetModus", manager).status) << "the manager stays";

    EXPECT_EQ("null", client_.Put(kManager, "PutDestructTarvos", target + "}").text);
    ExpectEnvelope(OnManager("GetModus", manager), 402);
    ExpectEnvelope(client_.Get(kAddress, "GetType", "pIAddress=" + std::to_string(address)), 402);
    ExpectEnvelope(client_.Get(kRequest, "GetCreateAddress",
                               "pIGeneralInvoiceRequest=" + std::to_string(request)),
                   402);
    EXPECT_EQ(
        200,
        client_.Get(kInput, "GetExternalFactor_MT", "pIServiceExInput=" + std::to_string(input))
            .status)
        << "the service input lives in a group of its own";
    EXPECT_EQ(
        "The given interface instance [ITarvos::" + std::to_string(manager) + "] does not exist",
        ExpectEnvelope(client_.Put(kManager, "PutDestructTarvos", target + "}"), 402));
    EXPECT_NE(std::string::npos,
              server_->ReadLog().find("COMInstanceDel: interface=[ITarvos] address=[" +
                                      std::to_string(manager) + "] location=[destruct]"));
}

// What passes out of a dispatcher is answered 500 without a body; the
// service stays healthy.
TEST_F(ObjectsTest, ExceptionOutOfADispatcherIs500) {
    const int manager = manager_, request = request_;
    Answer noTariff = client_.Get(kRequest, "GetCreateServiceExInput",
                                  "pIGeneralInvoiceRequest=" + std::to_string(request));
    EXPECT_EQ(500, noTariff.status);
    EXPECT_EQ("", noTariff.text);
    EXPECT_EQ(500, client_
                       .Put(kManager, "PutDestructGeneralInvoiceRequest",
                            R"({"pITarvos":)" + std::to_string(manager) + "}")
                       .status);
    EXPECT_EQ(200, OnManager("GetModus", manager).status);
    EXPECT_GE(client_.ServiceInput(request), 1);
}

}  // namespace
