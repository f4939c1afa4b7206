// Bodies of 100 MB against the real executable: a JSON array costs no tree
// and an upload streams to its file (peak memory checked outside the
// sanitizers), a refused upload leaves no file, and the working folder and
// its files are private.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/server_process.h"
#include "tests/integration/transport_socket.h"

namespace fs = std::filesystem;

namespace {

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

// Sends a body of `size` bytes: `first`, then `filler` repeated, then
// `last`, in pieces of 1 MB; returns the response.
HttpResponse StreamBody(int port, const std::string& target, const std::string& type, int64_t size,
                        const std::string& first, const std::string& filler,
                        const std::string& last) {
    RawConnection connection(port);
    connection.Send("POST " + target +
                    " HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Type: " + type +
                    "\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + first);
    std::string piece;
    while (piece.size() < (1u << 20)) piece += filler;  // whole fillers only
    int64_t left = size - static_cast<int64_t>(first.size() + last.size());
    while (left > 0) {
        size_t count = static_cast<size_t>(std::min<int64_t>(left, piece.size()));
        if (!connection.Send(piece.substr(0, count))) break;
        left -= static_cast<int64_t>(count);
    }
    connection.Send(last);
    std::string raw = connection.ReceiveUntilClosed(60000);
    HttpResponse response;
    if (raw.compare(0, 9, "HTTP/1.1 ") == 0) response.status = std::atoi(raw.c_str() + 9);
    size_t body = raw.find("\r\n\r\n");
    if (body != std::string::npos) response.body = raw.substr(body + 4);
    return response;
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class TransportMemoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start()) << server_.Output();
        manager_ = client_.Manager();
        request_ = client_.Request(manager_);
        ASSERT_GT(request_, 0);
        pid_ = server_.pid();
    }
    std::string Folder() const { return server_.folder() + "tolvan/Halvo450Rest/"; }
    std::string DocumentTarget(int request) const {
        return ServerProcess::Path("IGeneralInvoiceRequest", "AddDocument") +
               "?pIGeneralInvoiceRequest=" + std::to_string(request) +
               "&eIsURL=0&bstrSource=big.pdf&bstrTitle=Big&bstrMimeType=application%2Fpdf";
    }
    HttpResponse Upload(int request, int64_t size) {
        return StreamBody(server_.port(), DocumentTarget(request), "application/octet-stream", size,
                          "%PDF-1.4\n", "x", "");
    }
    void ExpectPeakRiseBelow(long beforeKb, long limitKb, const char* what) {
        long afterKb = PeakKb(pid_);
        std::printf("[ figures  ] VmHWM around %s: %ld kB before, %ld kB after (+%ld kB)\n", what,
                    beforeKb, afterKb, afterKb - beforeKb);
#ifdef TARVOS_SANITIZED_BUILD
        GTEST_SKIP() << "the sanitizer's quarantine holds freed memory";
#endif
        EXPECT_LT(afterKb - beforeKb, limitKb) << what;
    }

    ServerProcess server_;
    invoice_http::Client client_{server_};
    int manager_ = 0;
    int request_ = 0;
    int pid_ = -1;
};

TEST_F(TransportMemoryTest, HundredMegabyteJsonArrayIsRefusedWithoutATree) {
    ExpectEnvelope(server_.client().PutJson(ServerProcess::Path("ITarvos", "PutModus"), "[0,0]"),
                   405);
    long before = PeakKb(pid_);
    HttpResponse response =
        StreamBody(server_.port(), ServerProcess::Path("ITarvos", "PutModus") + "?x=1",
                   "application/json", kHundredMegabytes, "[0", ",0", "]");
    ExpectEnvelope(response, 405);
    EXPECT_NE(std::string::npos, server_.ReadLog().find("JSONDump: [4] - [[0,0,0,0,0,0,0,"));
    ExpectPeakRiseBelow(before, 64 * 1024, "a JSON array of 100 MB");
}

TEST_F(TransportMemoryTest, HundredMegabyteUploadStreamsToAPrivateFile) {
    ASSERT_EQ(200, Upload(request_, 512 << 10).status);  // threads and buffers at working size
    std::set<std::string> existing = Entries(Folder());
    long before = PeakKb(pid_);
    HttpResponse response = Upload(request_, kHundredMegabytes);
    ASSERT_EQ(200, response.status) << response.body;
    std::vector<std::string> added;
    for (const std::string& name : Entries(Folder())) {
        if (!existing.count(name)) added.push_back(name);
    }
    ASSERT_EQ(1u, added.size());
    struct stat file {};
    struct stat folder {};
    ASSERT_EQ(0, stat((Folder() + added[0]).c_str(), &file));
    ASSERT_EQ(0, stat(Folder().c_str(), &folder));
    EXPECT_EQ(kHundredMegabytes, file.st_size);
    EXPECT_EQ(0600, file.st_mode & 0777);
    EXPECT_EQ(0700, folder.st_mode & 0777);
    fs::remove(Folder() + added[0]);
    ExpectPeakRiseBelow(before, 8 * 1024, "an upload of 100 MB");
}

TEST_F(TransportMemoryTest, RefusedUploadLeavesNoFile) {
    std::set<std::string> before = Entries(Folder());
    for (int i = 0; i < 3; ++i) ExpectEnvelope(Upload(987654, 5 << 20), 402);
    EXPECT_EQ(before, Entries(Folder()));
}

}  // namespace
