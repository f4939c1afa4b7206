// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
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

// The handle under `key` of a 200 reply; 0 otherwise.
int Handle(const HttpResponse& response, const std::string& key) {
    if (response.status != 200) return 0;
    web::json::value body = web::json::value::parse(response.body);
    return body.has_integer_field(key) ? body.at(key).as_integer() : 0;
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
    // A call of GetModus on `manager`.
    HttpResponse GetModus(int manager) const {
        return client().Get(ServerProcess::Path("ITarvos", "GetModus") +
                            "?pITarvos=" + std::to_string(manager));
    }

    HttpClient client() const { return HttpClient(port_); }
    int NewManager() const {
        return Handle(client().Get(ServerProcess::Path("ITarvos", "GetCreateTarvos")), "pITarvos");
    }

    TempFolder folder_;
    int port_ = 0;
    std::unique_ptr<CEndpointHandler> handler_;
};

// Requests per client thread: TARVOS_CONCURRENCY_REQUESTS, default 100.
int RequestsPerThread() {
    const char* text = std::getenv("TARVOS_CONCURRENCY_REQUESTS");
    int count = text != nullptr ? std::atoi(text) : 0;
    return count > 0 ? count : 100;
}

// Replies by status (0: none), counted across threads.
using StatusCounts = std::array<std::atomic<int>, 600>;

// One client: mixed create, call and destroy requests on managers of its
// own, until `requests` have been sent.
void RunClient(const HttpClient& client, int requests, StatusCounts* counts) {
    auto path = ServerProcess::Path;
    int sent = 0;
    auto send = [&](const HttpResponse& response) {
        ++(*counts)[response.status];
        ++sent;
        return response;
    };
    while (sent < requests) {
        int manager = Handle(send(client.Get(path("ITarvos", "GetCreateTarvos"))), "pITarvos");
        std::string m = std::to_string(manager);
        int request =
            Handle(send(client.Get(path("ITarvos", "GetGeneralInvoiceRequest") + "?pITarvos=" + m)),
                   "pIGeneralInvoiceRequest");
        std::string r = std::to_string(request);
        int address = Handle(send(client.Get(path("IGeneralInvoiceRequest", "GetCreateAddress") +
                                             "?pIGeneralInvoiceRequest=" + r)),
                             "pIAddress");
        send(client.Get(path("IAddress", "GetType") + "?pIAddress=" + std::to_string(address)));
        send(client.Get(path("ITarvos", "GetModus") + "?pITarvos=" + m));
        send(client.PutJson(path("ITarvos", "PutModus"),
                            "{\"pITarvos\":" + m + ",\"eModusType\":2}"));
        send(client.Get(path("IGeneralInvoiceRequest", "GetCreateServiceExInput") +
                        "?bstrTariffType=001&pIGeneralInvoiceRequest=" + r));
        if (sent % 3 == 0) continue;  // left for the sweep
        send(client.PutJson(path("ITarvos", "PutDestructTarvos"), "{\"pITarvos\":" + m + "}"));
    }
}

TEST_F(InProcessTest, ManyClientsWithTheSweepRunning) {
    HandlerOptions options;
    options.maxInactivitySec = 1;
    Open(options);
    const int threads = 32;
    const int requests = RequestsPerThread();
    StatusCounts counts{};
    std::atomic<bool> done{false};
    std::thread sweeper([&] {
        while (!done) {
            handler_->RunSanityChecks(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    std::vector<std::thread> clients;
    for (int t = 0; t < threads; ++t) {
        clients.emplace_back([&] { RunClient(client(), requests, &counts); });
    }
    for (std::thread& thread : clients) thread.join();
    done = true;
    sweeper.join();

    int total = 0;
    for (size_t status = 0; status < counts.size(); ++status) {
        total += counts[status];
        EXPECT_TRUE(counts[status] == 0 || status == 200 || status == 400)
            << counts[status] << " replies with status " << status;
    }
    EXPECT_GE(total, threads * requests);
    EXPECT_GT(counts[200], total / 2);

    handler_->Close();
    EXPECT_EQ(0, handler_->ReleaseAll());
    EXPECT_EQ(0u, handler_->Tables().Size());
    EXPECT_EQ(0u, handler_->Registry().GroupCount());
    EXPECT_EQ(0u, handler_->Registry().InstanceCount());
}

// The group's lock held by the test stands for a slow call in progress: a
// call of that group waits for it (10 s by default, 0.3 s here) and is
// refused; another group answers at once.
TEST_F(InProcessTest, BusyGroupAnswers411WhileOthersRun) {
    HandlerOptions options;
    EXPECT_EQ(std::chrono::milliseconds(10000), options.groupLockTimeout);
    options.groupLockTimeout = std::chrono::milliseconds(300);
    Open(options);
    int busy = NewManager();
    int other = NewManager();
    int request = Handle(client().Get(ServerProcess::Path("ITarvos", "GetGeneralInvoiceRequest") +
                                      "?pITarvos=" + std::to_string(busy)),
                         "pIGeneralInvoiceRequest");
    CInstanceRegistry::GroupLock lock = handler_->Registry().LockFor(busy);
    ASSERT_NE(nullptr, lock);
    lock->lock();
    HttpResponse blocked;
    std::atomic<bool> done{false};
    Clock::time_point start = Clock::now();
    std::thread second([&] {
        blocked = GetModus(busy);
        done = true;
    });
    while (!done) {
        EXPECT_EQ(200, GetModus(other).status);
    }
    second.join();
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
    // A release does not wait for the group.
    HttpResponse released =
        client().PutJson(ServerProcess::Path("ITarvos", "PutDestructGeneralInvoiceRequest"),
                         "{\"pITarvos\":" + std::to_string(busy) +
                             ",\"pIGeneralInvoiceRequest\":" + std::to_string(request) + "}");
    EXPECT_EQ(200, released.status) << released.body;
    lock->unlock();
    EXPECT_EQ("Exclusive access to the COM instance <ITarvos(" + std::to_string(busy) +
                  ")> was not granted within 10 s ",
              ExpectEnvelope(blocked, 411));
    EXPECT_EQ(200, GetModus(busy).status) << "free again";
}

// In this process: a group lock held by the test keeps the four workers
// busy; the calls queued behind them are answered 407 at stop, not run.
TEST_F(InProcessTest, StopAnswersEveryQueuedCallWithoutRunningIt) {
    HandlerOptions options;
    options.workerThreads = 4;
    Open(options);
    int manager = NewManager();
    CInstanceRegistry::GroupLock lock = handler_->Registry().LockFor(manager);
    lock->lock();
    std::vector<HttpResponse> answers(12);
    std::vector<std::thread> clients;
    for (size_t i = 0; i < answers.size(); ++i) {
        clients.emplace_back([&, i] { answers[i] = GetModus(manager); });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // all twelve are in
    std::thread stop([&] { handler_->Close(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    lock->unlock();
    for (std::thread& thread : clients) thread.join();
    stop.join();
    int ran = 0, refused = 0;
    for (const HttpResponse& answer : answers) {
        if (answer.status == 200) ++ran;
        if (answer.status == 400 && ExpectEnvelope(answer, 407) ==
                                        "The given interface method [ITarvos::GetModus] produced a "
                                        "fatal, undefined error") {
            ++refused;
        }
    }
    EXPECT_EQ(4, ran);
    EXPECT_EQ(8, refused);
}

}  // namespace
