// Bad input over every POST operation against the real service. The
// operations come from the POST operation table itself, so that none is
// left out: each is called with nothing but its target, and a sample of
// each interface with targets that name no live object of that interface.

// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "bridge/post_operations.h"
#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/suite_server.h"
#include "tests/refdata.h"

namespace {

using invoice_http::Answer;
using invoice_http::Handle;
using invoice_http::Object;
using invoice_http::Text;
using web::json::value;

constexpr const char* kManager = "ITarvos";
constexpr const char* kRequest = invoice_http::kRequest;
constexpr const char* kResult = invoice_http::kResult;
constexpr const char* kAddress = "IAddress";
constexpr const char* kInput = "IServiceExInput";

// A published sample that conforms to the 4.50 schema.
const std::string kSample = Refdata("samples450/elexis_elexis-3-base_450_qr_tg_mvg_de.xml");

std::string Envelope(const Answer& answer, int code) {
    return ExpectEnvelope(HttpResponse{answer.status, {}, answer.text}, code);
}

// The error reply's code, or 0 (with a failure) when the reply is not one.
int EnvelopeCode(const Answer& answer) {
    bool envelope = answer.status == 400 && answer.body.is_object() && answer.body.size() == 2 &&
                    answer.body.has_string_field("pbstrAbort") &&
                    answer.body.has_integer_field("abortCode");
    EXPECT_TRUE(envelope) << answer.status << " " << answer.text;
    return envelope ? answer.body.at("abortCode").as_integer() : 0;
}

bool IsIn(const Member& member) {
    return member.direction != Direction::kOut;
}

// The first member the row reads from the request, or nullptr.
const char* FirstInKey(const Operation& row) {
    for (const Member& member : row.members) {
        if (IsIn(member)) return member.key;
    }
    return nullptr;
}

// The keys of the members the row answers, sorted as the reply writes them.
std::set<std::string> OutKeys(const Operation& row) {
    std::set<std::string> keys;
    for (const Member& member : row.members) {
        if (member.direction != Direction::kIn) keys.insert(member.key);
    }
    return keys;
}

std::set<std::string> Keys(const value& body) {
    std::set<std::string> keys;
    if (!body.is_object()) return keys;
    for (const auto& member : body.as_object()) keys.insert(member.first);
    return keys;
}

// One live object of each interface, all of one manager's group (the
// service input forms a group of its own under the request).
struct Objects {
    int manager = 0;
    int request = 0;
    int address = 0;
    int input = 0;
    int result = 0;

    int Of(const std::string& interfaceName) const {
        if (interfaceName == kManager) return manager;
        if (interfaceName == kRequest) return request;
        if (interfaceName == kAddress) return address;
        if (interfaceName == kInput) return input;
        if (interfaceName == kResult) return result;
        return 0;
    }
};

class PostBadInputTest : public SuiteServer<PostBadInputTest> {
  protected:
    // A manager with the sample loaded (its request and result), an address
    // and a service input on that request.
    Objects MakeObjects() {
        Objects objects;
        objects.manager = client_.Manager();
        Answer loaded = client_.Post(kManager, "LoadXML", objects.manager,
                                     Object({{"bstrInputFile", Text(kSample)}}));
        EXPECT_EQ(200, loaded.status) << loaded.text;
        if (loaded.status == 200) {
            objects.request = loaded.body.at("pIGeneralInvoiceRequest").as_integer();
            objects.result = loaded.body.at("pIGeneralInvoiceResult").as_integer();
        }
        if (objects.request > 0) {
            objects.address = client_.Address(objects.request);
            objects.input = client_.ServiceInput(objects.request, "001");
        }
        return objects;
    }

    // PUT of a release operation; true when it answered 200.
    bool Release(const std::string& interfaceName, const std::string& method, int handle) {
        HttpResponse response = server_->client().PutJson(
            ServerProcess::Path(interfaceName, method),
            "{\"p" + interfaceName + "\":" + std::to_string(handle) + "}");
        EXPECT_EQ(200, response.status) << method << ": " << response.body;
        return response.status == 200;
    }

    // The service still answers a plain call.
    void ExpectServiceAnswers() {
        int manager = client_.Manager();
        EXPECT_GT(manager, 0);
        HttpResponse version =
            server_->client().Get(ServerProcess::Path(kManager, "GetModuleVersion") +
                                  "?pITarvos=" + std::to_string(manager));
        EXPECT_EQ(200, version.status) << version.body;
    }

    invoice_http::Client client_{*server_};
};

// ---------------------------------------------------------------------------
// Every operation with nothing but its target

// What an operation without members answers when it is called.
void ExpectDefinedAnswer(const Operation& row, const Answer& answer) {
    std::string name = std::string(row.interfaceName) + "::" + row.methodName;
    switch (row.kind) {
        case RowKind::kNoop:
            EXPECT_EQ("The given interface method [" + name + "] is NOOP in the rest environment",
                      Envelope(answer, 412));
            return;
        case RowKind::kCollection:
            if (answer.status == 204) {
                EXPECT_EQ("", answer.text);
            } else {
                EXPECT_EQ(200, answer.status) << answer.text;
                EXPECT_TRUE(answer.body.is_array()) << answer.text;
                EXPECT_GT(answer.body.size(), 0u) << answer.text;
            }
            return;
        case RowKind::kFirstNext:
            EXPECT_TRUE(answer.status == 200 || answer.status == 204) << answer.text;
            EXPECT_EQ(OutKeys(row), Keys(answer.body)) << answer.text;
            return;
        case RowKind::kCall:
            if (answer.status == 400) {
                // The module refused: its own failure code, not one of the
                // service's error codes.
                int code = EnvelopeCode(answer);
                EXPECT_TRUE(code < 0) << answer.text;
            } else {
                EXPECT_EQ(200, answer.status) << answer.text;
                EXPECT_EQ(OutKeys(row), Keys(answer.body)) << answer.text;
            }
            return;
        case RowKind::kCreate:
        case RowKind::kRelease:
            ADD_FAILURE() << "a POST row of kind create or release";
            return;
    }
}

TEST_F(PostBadInputTest, OnlyTheTargetNamesTheFirstMissingMember) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.result, 0);
    ASSERT_GT(objects.input, 0);
    std::map<std::string, int> calls;
    for (const Operation& row : PostOperations()) {
        std::string name = std::string(row.interfaceName) + "::" + row.methodName;
        SCOPED_TRACE(name);
        int target = objects.Of(row.interfaceName);
        ASSERT_GT(target, 0);
        Answer answer = client_.Post(row.interfaceName, row.methodName, target);
        ASSERT_NE(0, answer.status) << "no answer";
        ++calls[row.interfaceName];
        const char* first = FirstInKey(row);
        if (first == nullptr) {
            ExpectDefinedAnswer(row, answer);
        } else {
            EXPECT_EQ(std::string("The variable [") + first +
                          "] could not be extracted from the JSON of [" + name + "]",
                      Envelope(answer, 408));
        }
    }
    // Every interface was reached.
    EXPECT_EQ(5u, calls.size());
    for (const char* name : {kManager, kRequest, kResult, kAddress, kInput}) {
        EXPECT_GT(calls[name], 0) << name;
    }
    ExpectServiceAnswers();
}

TEST_F(PostBadInputTest, EmptyBodyWithoutTargetIs410ForEveryInterface) {
    for (const char* name : {kManager, kRequest, kResult, kAddress, kInput}) {
        SCOPED_TRACE(name);
        for (const Operation& row : PostOperations()) {
            if (std::string(row.interfaceName) != name) continue;
            Envelope(client_.Post(row.interfaceName, row.methodName, std::string("{}")), 410);
            break;
        }
    }
}

// The row's body: the target and every member it reads set to `filler`.
std::string BodyWithMembers(const Operation& row, int target, const value& filler) {
    value body = value::object();
    for (const Member& member : row.members) {
        if (IsIn(member)) body[member.key] = filler;
    }
    body["p" + std::string(row.interfaceName)] = value::number(target);
    return body.serialize();
}

// The letter of the row's first member, or 0 when it reads none.
char FirstInLetter(const Operation& row) {
    for (const Member& member : row.members) {
        if (IsIn(member)) return member.letter;
    }
    return 0;
}

// The code that a row answers when every member it reads is `filler`, as
// far as the service decides it before the module is called; -1 when the
// module is called and answers for itself.
int ExpectedCode(const Operation& row, const value& filler) {
    if (filler.is_null() || filler.is_array() || filler.is_object()) return 408;  // left out
    char letter = FirstInLetter(row);
    bool number = letter == 'i' || letter == 'h' || letter == 'n';
    if (!number || !filler.is_string()) return -1;
    // Text that is no number: the invalid-argument error without a code;
    // a whole number beyond 32 bits: out of range, 407.
    if (filler.as_string() != "99999999999") return 0;
    return letter == 'n' ? -1 : 407;
}

TEST_F(PostBadInputTest, EveryOperationAnswersMembersOfTheWrongKind) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.input, 0);
    const std::vector<value> fillers = {
        Text("x!"),
        Text("99999999999"),
        Text(""),
        value::number(1e300),
        value::number(-1e300),
        value::number(static_cast<int64_t>(1) << 40),
        value::number(-2147483647 - 1),
        value::boolean(true),
        value::null(),
        value::array({value::number(1)}),
        Object({{"a", Text("b")}}),
    };
    for (const Operation& row : PostOperations()) {
        const char* first = FirstInKey(row);
        if (first == nullptr || row.kind == RowKind::kNoop) continue;
        std::string name = std::string(row.interfaceName) + "::" + row.methodName;
        for (const value& filler : fillers) {
            SCOPED_TRACE(name + " with every member " + filler.serialize());
            Answer answer =
                client_.Post(row.interfaceName, row.methodName,
                             BodyWithMembers(row, objects.Of(row.interfaceName), filler));
            ASSERT_NE(0, answer.status) << "no answer";
            int expected = ExpectedCode(row, filler);
            if (expected == 408) {
                EXPECT_EQ(std::string("The variable [") + first +
                              "] could not be extracted from the JSON of [" + name + "]",
                          Envelope(answer, 408));
            } else if (expected >= 0) {
                EXPECT_EQ(expected, EnvelopeCode(answer));
            } else if (answer.status != 200 && answer.status != 204) {
                // The module's refusal, or an error of the service: an envelope.
                EnvelopeCode(answer);
            }
        }
    }
    ExpectServiceAnswers();
}

// ---------------------------------------------------------------------------
// Targets that name no live object of the interface

// One call of each sample operation, with every member it reads.
struct Sample {
    const char* interfaceName;
    const char* method;
    value args;
};

std::vector<Sample> Samples() {
    return {
        {kManager, "GetLogSettings", value::object()},
        {kManager, "SetLogSettings",
         Object({{"lLogLevel", Handle(1)},
                 {"lMaxSizeKB", Handle(100)},
                 {"eDoArchive", Handle(0)},
                 {"bstrArchiveDir", Text("")}})},
        {kRequest, "Initialize", Object({{"eDataLanguage", Handle(1)}})},
        {kRequest, "GetAbortInfo", value::object()},
        {kResult, "GetBalance", value::object()},
        {kResult, "GetVats", value::object()},
        {kResult, "GetFirstVat", value::object()},
        {kAddress, "SetPerson",
         Object({{"bstrFamilyname", Text("Muster")},
                 {"bstrGivenname", Text("Anna")},
                 {"bstrSalutation", Text("")},
                 {"bstrTitle", Text("")},
                 {"bstrSubaddressing", Text("")}})},
        {kAddress, "GetPhones", value::object()},
        {kAddress, "GetFirstPhone", value::object()},
        {kInput, "SetPatient", Object({{"dBirthdate", Text("1957-04-14")}, {"eSex", Handle(2)}})},
        {kInput, "GetTokens", value::object()},
        {kInput, "GetFirstDignity",
         Object({{"bstrEanNumber", Text("")}, {"bstrQLCode", Text("")}})},
    };
}

// The sample's body with `handleJson` as its target member, written as is.
std::string BodyWithTarget(const Sample& sample, const std::string& handleJson) {
    std::string args = sample.args.serialize();  // "{}" or "{...}"
    std::string target = "\"p" + std::string(sample.interfaceName) + "\":" + handleJson;
    return args.size() == 2 ? "{" + target + "}" : "{" + target + "," + args.substr(1);
}

Answer PostSample(const invoice_http::Client& client, const Sample& sample,
                  const std::string& handleJson) {
    return client.Post(sample.interfaceName, sample.method, BodyWithTarget(sample, handleJson));
}

TEST_F(PostBadInputTest, SamplesSucceedOnTheirOwnTargets) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.input, 0);
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(std::string(sample.interfaceName) + "::" + sample.method);
        Answer answer =
            PostSample(client_, sample, std::to_string(objects.Of(sample.interfaceName)));
        EXPECT_TRUE(answer.status == 200 || answer.status == 204) << answer.text;
    }
}

TEST_F(PostBadInputTest, HandlesThatNameNothingAreRefused) {
    // Each handle as JSON text, and the code the frame answers with: 402 for
    // a number that names no live object, 410 for one that reads as none.
    const std::vector<std::pair<std::string, int>> handles = {
        {"-5", 402},
        {"0", 410},
        {"2147483647", 402},
        {"1099511627776", 410},  // 2^40: beyond 32 bits
        {"\"1099511627776\"", 410},
        {"\"x1!\"", 410},
        {"\"\"", 410},
        {"0.5", 410},
        {"-7.5", 402},
        {"1e300", 410},
        {"null", 410},
        {"[1]", 410},
        {"{\"a\":1}", 410},
        {"false", 410},
    };
    for (const Sample& sample : Samples()) {
        for (const auto& handle : handles) {
            SCOPED_TRACE(std::string(sample.interfaceName) + "::" + sample.method + " with " +
                         handle.first);
            EXPECT_EQ(handle.second, EnvelopeCode(PostSample(client_, sample, handle.first)));
        }
    }
    ExpectServiceAnswers();
}

TEST_F(PostBadInputTest, HandlesOfAnotherInterfaceAreRefused) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.input, 0);
    // Another interface's object of the same group passes the frame's check
    // and is missing from the interface's table: 407. A manager belongs to
    // no group (402). As a manager, another object is refused by the frame
    // (402), unless it keys a group of its own, as a request with service
    // inputs does (407).
    for (const Sample& sample : Samples()) {
        std::string name = sample.interfaceName;
        for (const char* other : {kManager, kRequest, kResult, kAddress, kInput}) {
            if (name == other) continue;
            SCOPED_TRACE(name + "::" + sample.method + " with the handle of " + other);
            int code = EnvelopeCode(PostSample(client_, sample, std::to_string(objects.Of(other))));
            if (std::string(other) == kManager) {
                EXPECT_EQ(402, code);
            } else if (name == kManager) {
                EXPECT_EQ(std::string(other) == kRequest ? 407 : 402, code);
            } else {
                EXPECT_EQ(407, code);
            }
        }
    }
    // The objects are all still there and answer.
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(std::string(sample.interfaceName) + "::" + sample.method);
        Answer answer =
            PostSample(client_, sample, std::to_string(objects.Of(sample.interfaceName)));
        EXPECT_TRUE(answer.status == 200 || answer.status == 204) << answer.text;
    }
}

TEST_F(PostBadInputTest, HandlesOfReleasedObjectsAreRefused) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.input, 0);
    ASSERT_TRUE(Release(kAddress, "PutDestructAddress", objects.address));
    ASSERT_TRUE(Release(kInput, "PutDestructServiceExInput", objects.input));
    ASSERT_TRUE(Release(kResult, "PutDestructGeneralInvoiceResult", objects.result));
    ASSERT_TRUE(Release(kRequest, "PutDestructGeneralInvoiceRequest", objects.request));
    ASSERT_TRUE(Release(kManager, "PutDestructTarvos", objects.manager));
    for (const Sample& sample : Samples()) {
        SCOPED_TRACE(std::string(sample.interfaceName) + "::" + sample.method);
        int handle = objects.Of(sample.interfaceName);
        std::string text = Envelope(PostSample(client_, sample, std::to_string(handle)), 402);
        EXPECT_NE(std::string::npos, text.find(std::to_string(handle))) << text;
    }
    ExpectServiceAnswers();
}

TEST_F(PostBadInputTest, RefusedTargetsLeaveTheReleasesIntact) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.input, 0);
    // The request's handle given as an address, a service input and a
    // result: each refused, each leaving its trace in the tables.
    for (const char* name : {kAddress, kInput, kResult}) {
        Answer answer = client_.Post(
            name, "GetAbortInfo",
            "{\"p" + std::string(name) + "\":" + std::to_string(objects.request) + "}");
        EXPECT_EQ(407, EnvelopeCode(answer)) << name;
    }
    // Releasing the request releases it and its address, not more.
    ASSERT_TRUE(Release(kRequest, "PutDestructGeneralInvoiceRequest", objects.request));
    Envelope(client_.Post(kRequest, "GetAbortInfo", objects.request), 402);
    Envelope(client_.Post(kAddress, "GetAbortInfo", objects.address), 402);
    EXPECT_EQ(200, client_.Post(kResult, "GetAbortInfo", objects.result).status);
    EXPECT_EQ(200, client_.Post(kManager, "GetAbortInfo", objects.manager).status);
    // Releasing the manager releases what is left of its group.
    ASSERT_TRUE(Release(kManager, "PutDestructTarvos", objects.manager));
    Envelope(client_.Post(kResult, "GetAbortInfo", objects.result), 402);
    Envelope(client_.Post(kManager, "GetAbortInfo", objects.manager), 402);
    ExpectServiceAnswers();
}

// ---------------------------------------------------------------------------
// The ends of the VAT lines of a result

TEST_F(PostBadInputTest, VatLinesEndWith204) {
    REQUIRE_REFDATA();
    Objects objects = MakeObjects();
    ASSERT_GT(objects.result, 0);
    Answer vats = client_.Post(kResult, "GetVats", objects.result);
    ASSERT_EQ(200, vats.status) << vats.text;
    ASSERT_TRUE(vats.body.is_array()) << vats.text;
    size_t lines = vats.body.size();
    ASSERT_GT(lines, 0u);
    for (size_t k = 0; k < lines; ++k) {
        Answer line = client_.Post(kResult, k == 0 ? "GetFirstVat" : "GetNextVat", objects.result);
        EXPECT_EQ(200, line.status) << line.text;
    }
    // Past the end: 204 with pbStatus false, again and again.
    for (int again = 0; again < 2; ++again) {
        Answer end = client_.Post(kResult, "GetNextVat", objects.result);
        EXPECT_EQ(204, end.status) << end.text;
        ASSERT_TRUE(end.body.has_boolean_field("pbStatus")) << end.text;
        EXPECT_FALSE(end.body.at("pbStatus").as_bool());
    }
}

}  // namespace

// Every service record makes a VAT line, also at rate 0: an invoice whose
// services carry no VAT has one line of rate 0 and VAT 0, then the end.
TEST_F(PostBadInputTest, InvoiceWithoutVatHasOneLineAtRateZero) {
    int manager = client_.Manager();
    int request = client_.Request(manager);
    ASSERT_GT(request, 0);
    invoice_http::SampleBuilder build(client_, request);
    build.SetSections();
    build.Call("AddService",
               invoice_http::Article("123456789", "test article", 1.0, 10.15, 10.15, 0.0));
    Answer finalized = client_.Post(kRequest, "Finalize", request);
    ASSERT_EQ(200, finalized.status) << finalized.text;
    Answer xml =
        client_.Post(kManager, "GetXML", manager,
                     Object({{"lGenerationAttributes", Handle(0)}, {"plTimestamp", Handle(0)}}));
    ASSERT_EQ(200, xml.status) << xml.text;
    int result = xml.body.at("pIGeneralInvoiceResult").as_integer();
    ASSERT_GT(result, 0) << xml.text;

    Answer vats = client_.Post(kResult, "GetVats", result);
    ASSERT_EQ(200, vats.status) << vats.text;
    ASSERT_EQ(1u, vats.body.size()) << vats.text;
    EXPECT_DOUBLE_EQ(0.0, vats.body.at(0).at("pdVatRate").as_double());
    EXPECT_DOUBLE_EQ(0.0, vats.body.at(0).at("pdVat").as_double());
    EXPECT_EQ(200, client_.Post(kResult, "GetFirstVat", result).status);
    EXPECT_EQ(204, client_.Post(kResult, "GetNextVat", result).status);
}
