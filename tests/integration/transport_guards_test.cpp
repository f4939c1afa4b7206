// The HTTP transport's guards against the real executable: stalled bodies,
// idle and surplus connections; bodies of 100 MB, where a JSON array costs
// no tree and an upload streams to its file (peak memory checked outside
// the sanitizers), a refused upload leaves no file, and the working folder
// and its files are private.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/integration/invoice_over_http.h"
#include "tests/integration/transport_socket.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// What the service sent on `connection` before it closed it; "<open>" when
// it kept it open for 10 s.
std::string UntilClosed(RawConnection& connection) {
    bool closed = false;
    std::string data = connection.Receive(10000, {}, &closed);
    return closed ? data : "<open>";
}

// One service with four workers, short body and header timeouts and room
// for many connections: stalled bodies hold no worker and get their 409,
// idle connections are closed while the service answers.
TEST(TransportGuardsTest, StalledBodiesAndIdleConnections) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);  // the service inherits it
    const int count = static_cast<int>(std::min<rlim_t>(3000, files.rlim_cur / 2 - 100));
    ServerProcess server({"WorkerThreads=4", "BodyIdleTimeoutSec=2", "HeaderTimeoutSec=1",
                          "KeepAliveTimeoutSec=1", "MaxConnections=5000"});
    ASSERT_TRUE(server.Start()) << server.Output();
    std::vector<std::unique_ptr<RawConnection>> stalled;
    for (int i = 0; i < 8; ++i) {  // twice the worker threads
        stalled.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(stalled.back()->Send(
            RequestText("POST", ServerProcess::Path("ITarvos", "SetLogo"), "{",
                        {{"Content-Type", "application/json"}, {"Content-Length", "100"}})));
    }
    HttpClient client = server.client();
    Clock::time_point start = Clock::now();
    EXPECT_EQ(400, client.Get(kGetModus).status);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "a worker was free";
    for (auto& connection : stalled) ExpectEnvelope(ParseResponse(UntilClosed(*connection)), 409);

    // One connection idles after a request, the others before their first.
    RawConnection kept(server.port());
    ASSERT_TRUE(kept.Send(RequestText("GET", kGetModus)));
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < count; ++i) idle.push_back(std::make_unique<RawConnection>(server.port()));
    EXPECT_EQ(400, client.Get(kGetModus).status) << "answers with the idle ones open";
    for (auto& connection : idle) ASSERT_EQ("", UntilClosed(*connection));
    EXPECT_EQ(400, ParseResponse(UntilClosed(kept)).status);
    EXPECT_EQ(400, client.Get(kGetModus).status);
}

// Opens a connection and asks for GetModus on it, kept alive: the connection
// when the service answered, nullptr when it was closed without a reply.
std::unique_ptr<RawConnection> AdmittedConnection(int port) {
    auto connection = std::make_unique<RawConnection>(port);
    bool closed = !connection->Send(RequestText("GET", kGetModus));
    std::string reply;
    if (!closed) {
        reply = connection->Receive(
            10000, [](const std::string& d) { return d.find('}') != std::string::npos; }, &closed);
    }
    if (ParseResponse(reply).status == 400) return connection;
    EXPECT_TRUE(closed && reply.empty()) << reply;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // time to let a connection go
    return nullptr;
}

// A connection counts until the service has let it go, which it may do
// only after the client saw it end (the start's probe, the ten closed
// below); the log (complete once the service has stopped) tells the
// operator of the refusals.
TEST(TransportGuardsTest, ConnectionsBeyondTheLimitAreClosedAtOnceAndLogged) {
    ServerProcess server({"MaxConnections=10"});
    ASSERT_TRUE(server.Start()) << server.Output();
    std::vector<std::unique_ptr<RawConnection>> open;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (open.size() < 10 && Clock::now() < deadline) {
        if (auto connection = AdmittedConnection(server.port())) {
            open.push_back(std::move(connection));
        }
    }
    ASSERT_EQ(10u, open.size());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(nullptr, AdmittedConnection(server.port()));
    open.clear();
    deadline = Clock::now() + std::chrono::seconds(10);
    bool answered = false;
    while (!answered && Clock::now() < deadline) {
        answered = AdmittedConnection(server.port()) != nullptr;
    }
    EXPECT_TRUE(answered) << "answers again once connections are free";
    ASSERT_EQ(0, server.Stop());
    EXPECT_TRUE(Contains(server.ReadLog(), "connections closed at once: 10 were open"));
}

// ---- bodies of 100 MB ---------------------------------------------------

// Under the sanitizers (where the peak memory is not checked) a tenth, to
// keep the test command short.
#ifdef TARVOS_SANITIZED_BUILD
constexpr int64_t kHundredMegabytes = 10 * 1000 * 1000 + 1;
#else
constexpr int64_t kHundredMegabytes = 100 * 1000 * 1000 + 1;
#endif

// The peak resident size of `pid` in kB (VmHWM).
long PeakKb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Checks that the peak resident size of `pid` rose by less than `limitKb`
// since it was `beforeKb` (not under the sanitizers, whose quarantine holds
// freed memory).
void ExpectPeakRiseBelow(int pid, long beforeKb, long limitKb, const char* what) {
    long afterKb = PeakKb(pid);
    std::printf("[ figures  ] VmHWM around %s: %ld kB before, %ld kB after (+%ld kB)\n", what,
                beforeKb, afterKb, afterKb - beforeKb);
#ifdef TARVOS_SANITIZED_BUILD
    limitKb = LONG_MAX;
#endif
    EXPECT_LT(afterKb - beforeKb, limitKb) << what;
}

// The array comes first, so that a tree built for it would also show in the
// upload's figures; an upload refused after its body leaves no file.
TEST(TransportGuardsTest, HundredMegabyteBodiesCostNoMemoryAndUploadsGoToPrivateFiles) {
    ServerProcess server;
    ASSERT_TRUE(server.Start()) << server.Output();
    const std::string putModus = ServerProcess::Path("ITarvos", "PutModus");
    ExpectEnvelope(server.client().PutJson(putModus, "[0,0]"), 405);  // buffers at working size
    long before = PeakKb(server.pid());
    ExpectEnvelope(StreamBody(server.port(), putModus + "?x=1", "application/json",
                              kHundredMegabytes, "[0", ",0", "]"),
                   405);
    EXPECT_TRUE(Contains(server.ReadLog(), "JSONDump: [4] - [[0,0,0,0,0,0,0,"));
    ExpectPeakRiseBelow(server.pid(), before, 64 * 1024, "a JSON array of 100 MB");

    auto upload = [&server](int request, int64_t size) {
        return StreamBody(
            server.port(),
            ServerProcess::Path("IGeneralInvoiceRequest", "AddDocument") +
                "?pIGeneralInvoiceRequest=" + std::to_string(request) +
                "&eIsURL=0&bstrSource=big.pdf&bstrTitle=Big&bstrMimeType=application%2Fpdf",
            "application/octet-stream", size, "%PDF-1.4\n");
    };
    const std::string folder = server.WorkFolder();
    auto files = [&folder] { return std::distance(fs::directory_iterator(folder), {}); };
    invoice_http::Client client(server);
    int request = client.Request(client.Manager());
    ASSERT_EQ(200, upload(request, 512 << 10).status);  // threads and buffers at working size
    const auto count = files();
    ExpectEnvelope(upload(987654, 5 << 20), 402);
    EXPECT_EQ(count, files()) << "a refused upload leaves no file";
    before = PeakKb(server.pid());
    HttpResponse response = upload(request, kHundredMegabytes);
    ASSERT_EQ(200, response.status) << response.body;
    ExpectPeakRiseBelow(server.pid(), before, 8 * 1024, "an upload of 100 MB");
    EXPECT_EQ(count + 1, files());
    int stored = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.file_size() != static_cast<uintmax_t>(kHundredMegabytes)) continue;
        EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, entry.status().permissions());
        ++stored;
    }
    EXPECT_EQ(1, stored);
    EXPECT_EQ(fs::perms::owner_all, fs::status(folder).permissions());
}

}  // namespace
