// The request frame against the real service: paths, content types, target
// handles and bodies that the frame refuses before any operation runs, each
// with its error reply, and hostile input that gets a reply while the
// service lives on; requests kept alive and 204 framing.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/suite_server.h"
#include "tests/integration/transport_socket.h"

namespace {

// One service for the suite: a request that broke it would show in the
// requests after it as well.
class RequestFrameTest : public SuiteServer<RequestFrameTest> {
  protected:
    static HttpClient client() { return server_->client(); }
};

struct FrameCase {
    const char* method;
    std::string target;  // below /tarvosServer450
    std::string body;
    const char* contentType;  // nullptr: none
    int code;
    const char* text;  // nullptr: not compared
};

// Each refusal with its code and text; TRACE refused without an echo.
TEST_F(RequestFrameTest, RefusalsOfTheFrame) {
    const char* json = "application/json";
    std::string segments;
    for (int i = 0; i < 10000; ++i) segments += "/s";
    const FrameCase cases[] = {
        // Paths: the last two segments name interface and method.
        {"GET", "/ITarvos", "", nullptr, 401, "The URI path [/ITarvos] is not valid"},
        {"GET", "/a/b/IFoo/Bar", "", nullptr, 402,
         "The given interface instance [IFoo::0] does not exist"},
        {"GET", "/I%20Foo/Bar", "", nullptr, 402,
         "The given interface instance [I Foo::0] does not exist"},
        {"GET", segments, "", nullptr, 402, "The given interface instance [s::0] does not exist"},
        // Percent signs that decode to nothing, bytes that are no UTF-8.
        {"GET", "/ITarvos/Get%ZZModus", "", nullptr, 401,
         "The URI path [/tarvosServer450/ITarvos/Get%ZZModus] is not valid"},
        {"GET", "/ITarvos/GetModus?x=%ZZ&y=%", "", nullptr, 401,
         "The URI path [/ITarvos/GetModus?x=%ZZ&y=%] is not valid"},
        {"GET", "/%C3%28/x", "", nullptr, 402, nullptr},
        // Content types: PUT searches for JSON, POST takes it at the start.
        {"PUT", "/ITarvos/PutModus", "{}", "text/plain", 406,
         "The content-type <text/plain> is not allowed - it must be <application/json>"},
        {"PUT", "/ITarvos/PutModus", "{}", "APPLICATION/JSON; charset=utf-8", 410,
         "The interface address <ITarvos> is undefined or null"},
        {"PUT", "/ITarvos/PutModus", "{}", "text/plain, application/json", 410, nullptr},
        {"POST", "/ITarvos/SetLogo", "{}", "text/plain, application/json", 406,
         "The content-type <text/plain, application/json> is not allowed - it must be "
         "<application/json>"},
        {"POST", "/ITarvos/LoadXML", "--x--", "multipart/form-data; boundary=x", 410,
         "The interface address <ITarvos> is undefined or null"},
        // A GET without a target runs on with 0 unless it has parameters (the
        // 1,000 below); other targets that name nothing: the bad-input test.
        {"GET", "/ITarvos/GetModus", "", nullptr, 402,
         "The given interface instance [ITarvos::0] does not exist"},
        // The target under another key than the interface's.
        {"POST", "/IAddress/GetName", R"({"addr":123})", json, 402,
         "The given interface instance [IAddress::123] does not exist"},
        // Bodies that are no JSON object.
        {"POST", "/ITarvos/SetLogo", "[1,2]", json, 405,
         "The <application/json> could not be read correctly"},
        {"POST", "/ITarvos/SetLogo", "", json, 405, nullptr},
        {"POST", "/ITarvos/SetLogo", R"({"a":)", json, 409,
         "The <application/json> can not be decoded"},
        {"POST", "/ITarvos/SetLogo", std::string(100000, '[') + std::string(100000, ']'), json, 409,
         nullptr},
        // Large: 8 MB of text; 1,000 query parameters below.
        {"POST", "/ITarvos/SetLogo",
         R"({"pITarvos":5,"bstrText":")" + std::string(8 << 20, 'x') + "\"}", json, 402, nullptr},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target.substr(0, 60) + " " +
                     c.body.substr(0, 40));
        std::map<std::string, std::string> headers;
        if (c.contentType != nullptr) headers["Content-Type"] = c.contentType;
        std::string text = ExpectEnvelope(
            client().Send(c.method, "/tarvosServer450" + c.target, c.body, headers), c.code);
        if (c.text != nullptr) {
            EXPECT_EQ(c.text, text);
        }
    }
    std::string query;
    for (int i = 0; i < 1000; ++i) query += "&k" + std::to_string(i) + "=v";
    ExpectEnvelope(client().Get("/tarvosServer450/ITarvos/GetModus?" + query.substr(1)), 410);
    ExpectEnvelope(client().Get("/tarvosServer450/ITarvos/GetModus?pITarvos=3" + query), 402);
    // TRACE would echo the headers.
    HttpResponse trace = client().Send("TRACE", "/tarvosServer450/ITarvos/GetModus", "",
                                       {{"X-Secret", "must-not-echo"}});
    EXPECT_EQ(405, trace.status);
    EXPECT_EQ(std::string::npos, trace.body.find("must-not-echo"));
}

TEST_F(RequestFrameTest, KeptAliveRequestsAreAnsweredInOrderAnd204EndsAtItsHeaders) {
    invoice_http::Client client(*server_);
    int manager = client.Manager();
    int address = client.Address(client.Request(manager));
    RawConnection connection(server_->port());
    // Three requests in one write: a 204, a 200 and an error reply.
    ASSERT_TRUE(
        connection.Send(RequestText("POST", ServerProcess::Path("IAddress", "GetPhones"),
                                    "{\"pIAddress\":" + std::to_string(address) + "}",
                                    {{"Content-Type", "application/json"}}) +
                        RequestText("GET", ServerProcess::Path("ITarvos", "GetModuleVersion") +
                                               "?pITarvos=" + std::to_string(manager)) +
                        RequestText("GET", kGetModus)));
    std::string data = connection.Receive(10000, [](const std::string& d) {
        return d.find("abortCode") != std::string::npos && d.back() == '}';
    });
    ASSERT_EQ(204, ParseResponse(data).status) << data;
    size_t end = data.find("\r\n\r\n") + 4;
    EXPECT_EQ(std::string::npos, data.substr(0, end).find("Content-Length")) << data;
    std::string rest = data.substr(end);
    ASSERT_EQ(200, ParseResponse(rest).status)
        << "the next response follows the 204's headers: " << data;
    EXPECT_NE(std::string::npos, rest.find("{\"pbstrModuleVersion\":\"4.50.001\"}HTTP/1.1 400 "))
        << rest;
}

}  // namespace
