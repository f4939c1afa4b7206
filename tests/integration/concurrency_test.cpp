// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <cpprest/json.h>

#include "bridge/verb_dispatchers.h"
#include "common/module_log.h"
#include "endpoint/endpoint_handler.h"
#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"
#include "tests/integration/envelope.h"
#include "tests/integration/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The handle under `key` of a 200 reply, as text; "0" otherwise.
std::string Handle(const HttpResponse& response, const std::string& key) {
    if (response.status != 200) return "0";
    web::json::value body = web::json::value::parse(response.body);
    return std::to_string(body.has_integer_field(key) ? body.at(key).as_integer() : 0);
}

// The endpoint handler in this process on a loopback port, with the real
// operation tables and module, so that its tables can be inspected.
class InProcessTest : public ::testing::Test {
  protected:
    void Open(const HandlerOptions& options) {
        ModuleLog().StartLog(1, folder_.Path() + "module.log.txt");
        std::string ini = folder_.Path() + "TarvosServer450.ini";
        platform::WriteProfileString(ini, "PARAMS", "TMPDIR_CSIDL", folder_.Path());
        port_ = FreeLoopbackPort();
        handler_ = std::make_unique<CEndpointHandler>(
            "http://127.0.0.1:" + std::to_string(port_) + "/tarvosServer450", ini, options);
        InstallDispatchers(*handler_);
        handler_->Open();
    }
    void TearDown() override {
        if (handler_ == nullptr) return;
        handler_->Close();
        handler_->ReleaseAll();
        handler_.reset();
    }
    // GET or PUT of `call` ("<interface>/<method>[?query]").
    HttpResponse Get(const std::string& call) const {
        return HttpClient(port_).Get("/tarvosServer450/" + call);
    }
    HttpResponse Put(const std::string& call, const std::string& body) const {
        return HttpClient(port_).PutJson("/tarvosServer450/" + call, body);
    }

    TempFolder folder_;
    int port_ = 0;
    std::unique_ptr<CEndpointHandler> handler_;
};

TEST_F(InProcessTest, ManyClientsWithTheSweepRunning) {
    HandlerOptions options;
    options.maxInactivitySec = 1;
    Open(options);
    const int threads = 32, requests = 100;
    std::atomic<int> ok{0}, refused{0}, other{0};  // replies of status 200, 400, any other
    auto count = [&](const HttpResponse& response) {
        ++(response.status == 200 ? ok : response.status == 400 ? refused : other);
        return response;
    };
    // Each client: mixed create, call and destroy requests on managers of
    // its own, one in three left for the sweep.
    auto client = [&] {
        for (int round = 0; round * 7 < requests; ++round) {
            std::string m = Handle(count(Get("ITarvos/GetCreateTarvos")), "pITarvos");
            std::string r = Handle(count(Get("ITarvos/GetGeneralInvoiceRequest?pITarvos=" + m)),
                                   "pIGeneralInvoiceRequest");
            const std::string of = "?pIGeneralInvoiceRequest=" + r;
            std::string a =
                Handle(count(Get("IGeneralInvoiceRequest/GetCreateAddress" + of)), "pIAddress");
            count(Get("IAddress/GetType?pIAddress=" + a));
            count(Get("ITarvos/GetModus?pITarvos=" + m));
            count(Put("ITarvos/PutModus", "{\"pITarvos\":" + m + ",\"eModusType\":2}"));
            count(
                Get("IGeneralInvoiceRequest/GetCreateServiceExInput" + of + "&bstrTariffType=001"));
            if (round % 3 != 0) count(Put("ITarvos/PutDestructTarvos", "{\"pITarvos\":" + m + "}"));
        }
    };
    std::atomic<bool> done{false};
    std::thread sweeper([&] {
        while (!done) {
            handler_->RunSanityChecks(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::vector<std::thread> clients;
    for (int t = 0; t < threads; ++t) clients.emplace_back(client);
    for (std::thread& thread : clients) thread.join();
    done = true;
    sweeper.join();
    EXPECT_EQ(0, other);
    EXPECT_GT(ok, refused);

    handler_->Close();
    EXPECT_EQ(0, handler_->ReleaseAll());
    EXPECT_EQ(0u, handler_->Tables().Size());
    EXPECT_EQ(0u, handler_->Registry().GroupCount());
    EXPECT_EQ(0u, handler_->Registry().InstanceCount());
}

// A group's lock held by the test stands for a slow call in progress. A
// call of that group waits for it (10 s by default, 2 s here) and is
// refused while another group answers and a release does not wait; at
// stop, the calls queued behind the four workers that wait for it are
// answered 407, not run.
TEST_F(InProcessTest, BusyGroupAnswers411AndStopAnswersQueuedCallsWithoutRunningThem) {
    HandlerOptions options;
    EXPECT_EQ(std::chrono::milliseconds(10000), options.groupLockTimeout);
    options.groupLockTimeout = std::chrono::milliseconds(2000);
    options.workerThreads = 4;
    Open(options);
    const std::string busy = Handle(Get("ITarvos/GetCreateTarvos"), "pITarvos");
    const std::string other = Handle(Get("ITarvos/GetCreateTarvos"), "pITarvos");
    const std::string request =
        Handle(Get("ITarvos/GetGeneralInvoiceRequest?pITarvos=" + busy), "pIGeneralInvoiceRequest");
    CInstanceRegistry::GroupLock lock = handler_->Registry().LockFor(std::stoi(busy));
    ASSERT_NE(nullptr, lock);
    lock->lock();
    HttpResponse blocked;
    std::atomic<bool> done{false};
    Clock::time_point start = Clock::now();
    std::thread second([&] {
        blocked = Get("ITarvos/GetModus?pITarvos=" + busy);
        done = true;
    });
    while (!done) EXPECT_EQ(200, Get("ITarvos/GetModus?pITarvos=" + other).status);
    second.join();
    EXPECT_GE(Clock::now() - start, options.groupLockTimeout);
    HttpResponse released =
        Put("ITarvos/PutDestructGeneralInvoiceRequest",
            "{\"pITarvos\":" + busy + ",\"pIGeneralInvoiceRequest\":" + request + "}");
    EXPECT_EQ(200, released.status) << released.body;
    const std::string refused =
        "Exclusive access to the COM instance <ITarvos(" + busy + ")> was not granted within 10 s ";
    EXPECT_EQ(refused, ExpectEnvelope(blocked, 411));
    lock->unlock();
    EXPECT_EQ(200, Get("ITarvos/GetModus?pITarvos=" + busy).status) << "free again";

    lock->lock();
    std::vector<HttpResponse> answers(12);
    std::vector<std::thread> clients;
    for (size_t i = 0; i < answers.size(); ++i) {
        clients.emplace_back([&, i] { answers[i] = Get("ITarvos/GetModus?pITarvos=" + busy); });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // all twelve are in
    handler_->Close();
    for (std::thread& thread : clients) thread.join();
    lock->unlock();
    std::map<std::string, int> seen;  // code and text of each answer
    for (const HttpResponse& answer : answers) {
        std::string text;
        int code = EnvelopeCode(answer, &text);
        ++seen[std::to_string(code) + " " + text];
    }
    const std::string fatal =
        "The given interface method [ITarvos::GetModus] produced a fatal, undefined error";
    EXPECT_EQ((std::map<std::string, int>{{"407 " + fatal, 8}, {"411 " + refused, 4}}), seen);
}

}  // namespace
