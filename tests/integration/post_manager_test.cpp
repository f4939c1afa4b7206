// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <cpprest/json.h>

#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"

namespace {

using web::json::value;

class PostManagerTest : public SuiteServer<PostManagerTest> {
  protected:
    static HttpResponse Post(const std::string& i, const std::string& m, const std::string& json) {
        return server_->client().PostJson(ServerProcess::Path(i, m), json);
    }
    static int Create(const std::string& i, const std::string& m, const std::string& query,
                      const char* key) {
        HttpResponse r = server_->client().Get(ServerProcess::Path(i, m) + query);
        EXPECT_EQ(200, r.status) << r.body;
        return value::parse(r.body).at(key).as_integer();
    }
};

TEST_F(PostManagerTest, LogSettingsRoundTripWithBooleanArchiveFlag) {
    int t = Create("ITarvos", "GetCreateTarvos", "", "pITarvos");
    std::string handle = "\"pITarvos\":" + std::to_string(t);
    HttpResponse set = Post("ITarvos", "SetLogSettings",
                            "{" + handle +
                                ",\"lLogLevel\":2,\"lMaxSizeKB\":100,\"eDoArchive\":true,"
                                "\"bstrArchiveDir\":\"arch\"}");
    ASSERT_EQ(200, set.status) << set.body;
    value got = value::parse(Post("ITarvos", "GetLogSettings", "{" + handle + "}").body);
    EXPECT_EQ(1, got.at("peDoArchive").as_integer());
    EXPECT_EQ(100, got.at("plMaxSizeKB").as_integer());
    EXPECT_EQ("arch", got.at("pbstrArchiveDir").as_string());
}

TEST_F(PostManagerTest, MissingMemberIs408NamingItAndCallsNothing) {
    int t = Create("ITarvos", "GetCreateTarvos", "", "pITarvos");
    std::string handle = "\"pITarvos\":" + std::to_string(t);
    Post("ITarvos", "SetLogSettings",
         "{" + handle +
             ",\"lLogLevel\":1,\"lMaxSizeKB\":7,\"eDoArchive\":0,\"bstrArchiveDir\":\"a\"}");
    EXPECT_NE(
        std::string::npos,
        ExpectEnvelope(Post("ITarvos", "SetLogSettings",
                            "{" + handle + ",\"lLogLevel\":3,\"lMaxSizeKB\":9,\"eDoArchive\":1}"),
                       408)
            .find("[bstrArchiveDir]"));
    value got = value::parse(Post("ITarvos", "GetLogSettings", "{" + handle + "}").body);
    EXPECT_EQ(7, got.at("plMaxSizeKB").as_integer());
}

TEST_F(PostManagerTest, PrintSetupInAnyCaseIs412AndUnknownMethodIs403) {
    int t = Create("ITarvos", "GetCreateTarvos", "", "pITarvos");
    std::string body = "{\"pITarvos\":" + std::to_string(t) + "}";
    ExpectEnvelope(Post("ITarvos", "priNTsetUP", body), 412);
    ExpectEnvelope(Post("ITarvos", "PrintAdjust", body), 412);
    ExpectEnvelope(Post("ITarvos", "NoSuchMethod", body), 403);
}

TEST_F(PostManagerTest, PhonesByFirstNextAndCollection) {
    int t = Create("ITarvos", "GetCreateTarvos", "", "pITarvos");
    int r = Create("ITarvos", "GetGeneralInvoiceRequest", "?pITarvos=" + std::to_string(t),
                   "pIGeneralInvoiceRequest");
    int a = Create("IGeneralInvoiceRequest", "GetCreateAddress",
                   "?pIGeneralInvoiceRequest=" + std::to_string(r), "pIAddress");
    std::string handle = "{\"pIAddress\":" + std::to_string(a);
    HttpResponse empty = Post("IAddress", "GetPhones", handle + "}");
    EXPECT_EQ(204, empty.status);
    for (const char* number : {"22", "33"}) {
        ASSERT_EQ(200, Post("IAddress", "AddPhone",
                            handle + ",\"bstrNumber\":\"" + number +
                                "\",\"bstrLocalCode\":\"31\",\"bstrInternationalCode\":\"41\","
                                "\"bstrExt\":\"\"}")
                           .status);
    }
    HttpResponse all = Post("IAddress", "GetPhones", handle + "}");
    ASSERT_EQ(200, all.status) << all.body;
    value list = value::parse(all.body);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("33", list[1].at("pstrNumber").as_string());
    EXPECT_TRUE(list[0].at("pbStatus").as_bool());
    EXPECT_EQ(200, Post("IAddress", "GetFirstPhone", handle + "}").status);
    EXPECT_EQ(200, Post("IAddress", "GetNextPhone", handle + "}").status);
    EXPECT_EQ(204, Post("IAddress", "GetNextPhone", handle + "}").status);
}

TEST_F(PostManagerTest, DownloadOutsideTheWorkingFolderIs404) {
    HttpClient client = server_->client();
    EXPECT_EQ(404, client.Get("/tarvosServer450/tarvosServer450/files/../../etc/passwd").status);
    EXPECT_EQ(404,
              client.Get("/tarvosServer450/tarvosServer450/files/%2e%2e%2fetc%2fpasswd").status);
    EXPECT_EQ(404, client.Get("/tarvosServer450/tarvosServer450/Files").status);
}

}  // namespace
