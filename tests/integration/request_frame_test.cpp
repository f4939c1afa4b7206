#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"

namespace {

// One service for the whole suite: every test talks to the same process, so
// a request that broke it would show in the tests after it as well.
class RequestFrameTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new ServerProcess({"MaxBodyBytes=30000000"});
        ASSERT_TRUE(server_->Start()) << server_->Output();
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void TearDown() override {
        // Whatever the test sent, the service still answers.
        ASSERT_TRUE(server_->Running()) << server_->Output();
        HttpResponse next = client().Get("/tarvosServer450/IAddress/GetType?pIAddress=7");
        ExpectEnvelope(next, 402);
    }

    static HttpClient client() { return server_->client(); }
    static std::string Path(const std::string& i, const std::string& m) {
        return ServerProcess::Path(i, m);
    }

    static ServerProcess* server_;
};

ServerProcess* RequestFrameTest::server_ = nullptr;

TEST_F(RequestFrameTest, PathsWithFewerThanTwoSegmentsAre401) {
    EXPECT_EQ("The URI path [/] is not valid",
              ExpectEnvelope(client().Get("/tarvosServer450"), 401));
    EXPECT_EQ("The URI path [/] is not valid",
              ExpectEnvelope(client().Get("/tarvosServer450/"), 401));
    EXPECT_EQ("The URI path [/ITarvos] is not valid",
              ExpectEnvelope(client().Get("/tarvosServer450/ITarvos"), 401));
}

TEST_F(RequestFrameTest, LastTwoSegmentsNameInterfaceAndMethod) {
    EXPECT_EQ("The given interface instance [IFoo::0] does not exist",
              ExpectEnvelope(client().Get("/tarvosServer450/a/b/IFoo/Bar"), 402));
}

TEST_F(RequestFrameTest, PercentEncodedPathIsDecoded) {
    EXPECT_EQ("The given interface instance [I Foo::0] does not exist",
              ExpectEnvelope(client().Get("/tarvosServer450/I%20Foo/Bar"), 402));
}

TEST_F(RequestFrameTest, ContentTypesOfPut) {
    HttpResponse plain =
        client().Send("PUT", Path("ITarvos", "PutModus"), "{}", {{"Content-Type", "text/plain"}});
    EXPECT_EQ("The content-type <text/plain> is not allowed - it must be <application/json>",
              ExpectEnvelope(plain, 406));
    // Lower-cased and searched: capitals and a charset are fine.
    HttpResponse upper = client().Send("PUT", Path("ITarvos", "PutModus"), "{}",
                                       {{"Content-Type", "APPLICATION/JSON; charset=utf-8"}});
    EXPECT_EQ("The interface address <ITarvos> is undefined or null", ExpectEnvelope(upper, 410));
    ExpectEnvelope(client().Send("PUT", Path("ITarvos", "PutModus"), "{}"), 406);
}

TEST_F(RequestFrameTest, ContentTypesOfPost) {
    HttpResponse late = client().Send("POST", Path("ITarvos", "SetLogo"), "{}",
                                      {{"Content-Type", "text/plain, application/json"}});
    EXPECT_EQ(
        "The content-type <text/plain, application/json> is not allowed - it must be "
        "<application/json>",
        ExpectEnvelope(late, 406));
    HttpResponse multipart = client().Send("POST", Path("ITarvos", "LoadXML"), "--x--",
                                           {{"Content-Type", "multipart/form-data; boundary=x"}});
    EXPECT_EQ("The interface address <ITarvos> is undefined or null",
              ExpectEnvelope(multipart, 410));
}

TEST_F(RequestFrameTest, CallsWithoutAddress) {
    ExpectEnvelope(client().PutJson(Path("ITarvos", "PutModus"), "{\"eModus\":1}"), 410);
    ExpectEnvelope(client().PostJson(Path("IAddress", "GetName"), "{}"), 410);
    ExpectEnvelope(client().PostJson(Path("IAddress", "GetName"), "{\"pIAddress\":0}"), 410);
    // A GET with parameters needs an address; one without runs on with 0.
    ExpectEnvelope(client().Get(Path("ITarvos", "GetModus") + "?x=1"), 410);
    EXPECT_EQ("The given interface instance [ITarvos::0] does not exist",
              ExpectEnvelope(client().Get(Path("ITarvos", "GetModus")), 402));
}

TEST_F(RequestFrameTest, HandlesThatNameNoInstanceAre402) {
    EXPECT_EQ(
        "The given interface instance [IAddress::123] does not exist",
        ExpectEnvelope(client().PostJson(Path("IAddress", "GetName"), "{\"addr\":123}"), 402));
    ExpectEnvelope(client().PostJson(Path("IAddress", "GetName"), "{\"pIAddress\":-4}"), 402);
    ExpectEnvelope(client().Get(Path("ITarvos", "GetModus") + "?pITarvos=99"), 402);
    ExpectEnvelope(
        client().PutJson(Path("IServiceExInput", "PutExternalFactor_MT"), "{\"lAddress\":\"77\"}"),
        402);
}

TEST_F(RequestFrameTest, BodiesThatAreNotJsonObjects) {
    EXPECT_EQ("The <application/json> could not be read correctly",
              ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), "[1,2]"), 405));
    ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), "\"text\""), 405);
    ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), ""), 405);
    EXPECT_EQ("The <application/json> can not be decoded",
              ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), "{\"a\":"), 409));
    EXPECT_NE(std::string::npos, server_->ReadLog().find("JSONDump: [4] - [[1,2]]"));
}

TEST_F(RequestFrameTest, ManagerFactoryPassesTheInstanceCheck) {
    HttpResponse response = client().Get(Path("ITarvos", "GetCreateTarvos"));
    EXPECT_EQ(200, response.status) << response.body;
    web::json::value body = web::json::value::parse(response.body);
    ASSERT_TRUE(body.has_integer_field("pITarvos")) << response.body;
    EXPECT_GE(body.at("pITarvos").as_integer(), 1);
}

TEST_F(RequestFrameTest, TraceIsRefused) {
    HttpResponse response =
        client().Send("TRACE", Path("ITarvos", "GetModus"), "", {{"X-Secret", "must-not-echo"}});
    EXPECT_EQ(405, response.status);
    EXPECT_EQ(std::string::npos, response.body.find("must-not-echo"));
}

TEST_F(RequestFrameTest, BodyOverTheLimitIsRefused) {
    std::string body = "{\"x\":\"" + std::string(30000001, 'a') + "\"}";
    HttpResponse response = client().PostJson(Path("ITarvos", "SetLogo"), body);
    EXPECT_NE(std::string::npos, ExpectEnvelope(response, 413).find("30000000"));
}

// ---- Hostile input: every request gets an error reply, the service lives on.

TEST_F(RequestFrameTest, BinaryGarbageBodies) {
    std::mt19937 random(20261205);
    for (int i = 0; i < 20; ++i) {
        std::string body(1 + random() % 5000, '\0');
        for (char& c : body) c = static_cast<char>(random() & 0xff);
        body[0] = '{';
        HttpResponse response = client().PostJson(Path("ITarvos", "SetLogo"), body);
        EXPECT_EQ(400, response.status);
    }
}

TEST_F(RequestFrameTest, TwentyMegabyteJsonBody) {
    std::string body = "{\"pITarvos\":5,\"bstrText\":\"" + std::string(20 << 20, 'x') + "\"}";
    ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), body), 402);
}

TEST_F(RequestFrameTest, DeeplyNestedJson) {
    std::string body = std::string(100000, '[') + std::string(100000, ']');
    ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), body), 409);
    std::string objects;
    for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
    objects += "1" + std::string(100000, '}');
    ExpectEnvelope(client().PostJson(Path("ITarvos", "SetLogo"), objects), 409);
}

TEST_F(RequestFrameTest, InvalidPercentEncoding) {
    EXPECT_EQ(400, client().Get("/tarvosServer450/ITarvos/Get%ZZModus").status);
    EXPECT_EQ(400, client().Get("/tarvosServer450/ITarvos/GetModus?x=%ZZ&y=%").status);
    EXPECT_EQ(400, client().Get("/tarvosServer450/%C3%28/x").status);
}

TEST_F(RequestFrameTest, TenThousandSegments) {
    std::string path = "/tarvosServer450";
    for (int i = 0; i < 10000; ++i) path += "/s";
    EXPECT_EQ("The given interface instance [s::0] does not exist",
              ExpectEnvelope(client().Get(path), 402));
}

TEST_F(RequestFrameTest, ThousandQueryParameters) {
    std::string query;
    for (int i = 0; i < 1000; ++i) query += (i ? "&k" : "k") + std::to_string(i) + "=v";
    ExpectEnvelope(client().Get(Path("ITarvos", "GetModus") + "?" + query), 410);
    ExpectEnvelope(client().Get(Path("ITarvos", "GetModus") + "?pITarvos=3&" + query), 402);
}

TEST_F(RequestFrameTest, ClientThatStallsInTheBodyDoesNotBlockOthers) {
    HttpClient stalled = client();
    std::thread slow([&] {
        stalled.SendRaw("POST " + Path("ITarvos", "SetLogo") +
                            " HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
                            "Content-Length: 100\r\n\r\n{\"a\":",
                        1500);
    });
    ExpectEnvelope(client().Get(Path("ITarvos", "GetModus") + "?pITarvos=3"), 402);
    slow.join();
}

}  // namespace
