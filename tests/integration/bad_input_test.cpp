// Bad input against the real service: paths, content types, target handles
// and bodies that the request frame refuses before any operation runs, each
// with its error reply, and hostile input that gets a reply while the
// service lives on; requests kept alive and 204 framing; every POST
// operation (from the POST operation table itself, so that none is left
// out) called with nothing but its target and with members of every wrong
// kind; a sample of each interface with targets that name no live object of
// that interface.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "bridge/post_operations.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/transport_socket.h"

namespace {

using namespace invoice_http;
using web::json::value;

const char* const kInterfaces[] = {kManager, kRequest, kResult, kAddress, kInput};

// The first member the row reads from the request, or nullptr.
const Member* FirstIn(const Operation& row) {
    for (const Member& member : row.members) {
        if (member.direction != Direction::kOut) return &member;
    }
    return nullptr;
}

std::string Name(const Operation& row) {
    return std::string(row.interfaceName) + "::" + row.methodName;
}

// One service with the written sample for the suite (its manager, request
// and result), and an address and a service input on that request; a
// request that broke it would show in the requests after it as well.
class BadInputTest : public SampleServer<BadInputTest> {
  protected:
    static void SetUpTestSuite() {
        SampleServer::SetUpTestSuite();
        Client client(*server_);
        handles_ = {{kManager, manager_},
                    {kRequest, request_},
                    {kResult, result_},
                    {kAddress, client.Address(request_)},
                    {kInput, client.ServiceInput(request_)}};
    }

    Client client_{*server_};
    static inline std::map<std::string, int> handles_;
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
TEST_F(BadInputTest, RefusalsOfTheFrame) {
    const char* json = "application/json";
    std::string segments;
    for (int i = 0; i < 10000; ++i) segments += "/s";
    const std::string address = std::to_string(handles_[kAddress]);
    const FrameCase cases[] = {
        // Paths: the last two segments name interface and method.
        {"GET", "", "", nullptr, 401, "The URI path [/] is not valid"},
        {"GET", "/ITarvos", "", nullptr, 401, "The URI path [/ITarvos] is not valid"},
        {"GET", "/files/nothing-here.pdf", "", nullptr, 402,
         "The given interface instance [files::0] does not exist"},
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
        {"PUT", "/ITarvos/PutModus", "{}", nullptr, 406,
         "The content-type <> is not allowed - it must be <application/json>"},
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
        {"PUT", "/IServiceExInput/PutExternalFactor_MT", R"({"lAddress":77})", json, 402,
         "The given interface instance [IServiceExInput::77] does not exist"},
        // A live object passes whatever interface the path names.
        {"POST", "/IFoo/Bar", R"({"lAddress":)" + address + "}", json, 403,
         "The given interface method [IFoo::Bar] does not exist"},
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
        HttpResponse response =
            server_->client().Send(c.method, "/tarvosServer450" + c.target, c.body, headers);
        EXPECT_EQ("application/json", response.headers["content-type"]);
        std::string text = ExpectEnvelope(response, c.code);
        if (c.text != nullptr) {
            EXPECT_EQ(c.text, text);
        }
    }
    std::string query;
    for (int i = 0; i < 1000; ++i) query += "&k" + std::to_string(i) + "=v";
    ExpectEnvelope(server_->client().Get("/tarvosServer450/ITarvos/GetModus?" + query.substr(1)),
                   410);
    ExpectEnvelope(server_->client().Get("/tarvosServer450/ITarvos/GetModus?pITarvos=3" + query),
                   402);
    // TRACE would echo the headers.
    HttpResponse trace = server_->client().Send("TRACE", "/tarvosServer450/ITarvos/GetModus", "",
                                                {{"X-Secret", "must-not-echo"}});
    EXPECT_EQ(405, trace.status);
    EXPECT_EQ(std::string::npos, trace.body.find("must-not-echo"));
}

TEST_F(BadInputTest, KeptAliveRequestsAreAnsweredInOrderAnd204EndsAtItsHeaders) {
    const int address = client_.Address(request_);
    RawConnection connection(server_->port());
    // Three requests in one write: a 204, a 200 and an error reply.
    ASSERT_TRUE(
        connection.Send(RequestText("POST", ServerProcess::Path("IAddress", "GetPhones"),
                                    "{\"pIAddress\":" + std::to_string(address) + "}",
                                    {{"Content-Type", "application/json"}}) +
                        RequestText("GET", ServerProcess::Path("ITarvos", "GetModuleVersion") +
                                               "?pITarvos=" + std::to_string(manager_)) +
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

// A filler put in every member that a row reads, and the code the service
// answers before the module is called, by the type letter of the row's
// first member read: i or h, n, any other. -1: the module is called and
// answers for itself.
struct Filler {
    const char* json;
    int ih, n, other;
};
const Filler kFillers[] = {
    {R"("x!")", 0, 0, -1},              // text that is no number: no code
    {R"("99999999999")", 407, -1, -1},  // a whole number beyond 32 bits
    {"1e300", -1, -1, -1},
    {"[1]", 408, 408, 408},  // left out
};

// Each operation called with nothing but its target, and with every member
// it reads set to each filler.
TEST_F(BadInputTest, EveryOperationAnswersMissingAndWrongMembers) {
    for (const Operation& row : PostOperations()) {
        SCOPED_TRACE(Name(row));
        const int handle = handles_[row.interfaceName];
        Answer answer = client_.Post(row.interfaceName, row.methodName, handle);
        const Member* first = FirstIn(row);
        if (first != nullptr) {
            EXPECT_EQ("The variable [" + std::string(first->key) +
                          "] could not be extracted from the JSON of [" + Name(row) + "]",
                      ExpectEnvelope(answer, 408));
        } else if (row.kind == RowKind::kNoop) {
            EXPECT_EQ(
                "The given interface method [" + Name(row) + "] is NOOP in the rest environment",
                ExpectEnvelope(answer, 412));
        } else if (row.kind == RowKind::kCollection) {
            EXPECT_TRUE(answer.status == 204 || (answer.status == 200 && answer.body.size() > 0))
                << answer.text;
        } else if (answer.status == 400) {
            // The module refused: its own code, none of the service's.
            EXPECT_LT(EnvelopeCode(answer), 0);
        } else if (answer.status == 204 && row.kind == RowKind::kFirstNext) {
            ExpectEnd(answer);
        } else {
            // Exactly the members the row answers.
            EXPECT_EQ(200, answer.status) << answer.text;
            value answered = value::object();
            for (const Member& member : row.members) {
                if (member.direction == Direction::kIn) continue;
                answered[member.key] = answer.body.has_field(member.key)
                                           ? answer.body.at(member.key)
                                           : value::string("<missing>");
            }
            EXPECT_EQ(answered, answer.body);
        }
        if (first == nullptr || row.kind == RowKind::kNoop) continue;
        for (const Filler& filler : kFillers) {
            SCOPED_TRACE(filler.json);
            value body = value::object();
            for (const Member& member : row.members) {
                if (member.direction != Direction::kOut) body[member.key] = Json(filler.json);
            }
            body["p" + std::string(row.interfaceName)] = value::number(handle);
            answer = client_.PostText(row.interfaceName, row.methodName, body.serialize());
            const char letter = first->letter;
            int expected = letter == 'i' || letter == 'h' ? filler.ih
                           : letter == 'n'                ? filler.n
                                                          : filler.other;
            if (expected >= 0) {
                EXPECT_EQ(expected, EnvelopeCode(answer));
            } else if (answer.status != 200 && answer.status != 204) {
                EnvelopeCode(answer);  // the module's refusal
            }
        }
    }
}

// Targets that name no live object of the interface: numbers that name
// nothing (402) or read as none (410), then the handles of the five objects
// of the fixture. Another interface's object of the same group passes the
// frame's check and is missing from the interface's table: 407. A manager
// belongs to no group (402). As a manager, another object is refused by the
// frame (402), unless it keys a group of its own, as a request with service
// inputs does (407).
const char* const kNumbers[] = {"-5",      "0",    "2147483647", "1099511627776",
                                "\"x1!\"", "null", "false",      "-7.5"};
const std::string kNoObject = "402 410 402 410 410 410 410 402 ";

// One call of each interface (method, every member it reads), of each kind
// of row, and its codes with the targets above (ok: its own object).
const char* const kSamples[][3] = {
    {kManager,
     R"(["SetLogSettings",{"lLogLevel":1,"lMaxSizeKB":100,"eDoArchive":0,)"
     R"("bstrArchiveDir":""}])",
     "ok 407 402 402 402 "},
    {kRequest, R"(["Initialize",{"eDataLanguage":1}])", "402 ok 407 407 407 "},
    {kResult, R"(["GetFirstVat",{}])", "402 407 ok 407 407 "},
    {kAddress, R"(["GetPhones",{}])", "402 407 407 ok 407 "},
    {kInput, R"(["SetPatient",{"dBirthdate":"1957-04-14","eSex":2}])", "402 407 407 407 ok "},
};

TEST_F(BadInputTest, TargetsThatNameNoLiveObjectOfTheInterface) {
    for (const auto& sample : kSamples) {
        auto code = [&](const std::string& handle) {
            value call = Json(sample[1]);
            call[1]["p" + std::string(sample[0])] = Json(handle);
            Answer answer = client_.PostText(sample[0], call[0].as_string(), call[1].serialize());
            bool ok = answer.status == 200 || answer.status == 204;
            return (ok ? "ok" : std::to_string(EnvelopeCode(answer))) + " ";
        };
        std::string codes;
        for (const char* number : kNumbers) codes += code(number);
        for (const char* other : kInterfaces) codes += code(std::to_string(handles_[other]));
        EXPECT_EQ(kNoObject + sample[2], codes) << sample[1];
        EXPECT_EQ(code("1"), code("true"));
    }
}

}  // namespace
