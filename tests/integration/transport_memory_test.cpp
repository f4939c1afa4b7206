// Bodies of 100 MB against the real executable: a JSON array costs no tree
// and an upload streams to its file (peak memory checked outside the
// sanitizers), a refused upload leaves no file, and the working folder and
// its files are private.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/integration/envelope.h"
#include "tests/integration/invoice_over_http.h"
#include "tests/integration/suite_server.h"
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

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// One service for the suite: the array comes first, so that a tree built
// for it would also show in the upload's figures.
class TransportMemoryTest : public SuiteServer<TransportMemoryTest> {
  protected:
    static HttpResponse Upload(int request, int64_t size) {
        return StreamBody(
            server_->port(),
            ServerProcess::Path("IGeneralInvoiceRequest", "AddDocument") +
                "?pIGeneralInvoiceRequest=" + std::to_string(request) +
                "&eIsURL=0&bstrSource=big.pdf&bstrTitle=Big&bstrMimeType=application%2Fpdf",
            "application/octet-stream", size, "%PDF-1.4\n");
    }
    void ExpectPeakRiseBelow(long beforeKb, long limitKb, const char* what) {
        long afterKb = PeakKb(server_->pid());
        std::printf("[ figures  ] VmHWM around %s: %ld kB before, %ld kB after (+%ld kB)\n", what,
                    beforeKb, afterKb, afterKb - beforeKb);
#ifdef TARVOS_SANITIZED_BUILD
        GTEST_SKIP() << "the sanitizer's quarantine holds freed memory";
#endif
        EXPECT_LT(afterKb - beforeKb, limitKb) << what;
    }
};

TEST_F(TransportMemoryTest, HundredMegabyteJsonArrayIsRefusedWithoutATree) {
    ExpectEnvelope(server_->client().PutJson(ServerProcess::Path("ITarvos", "PutModus"), "[0,0]"),
                   405);
    long before = PeakKb(server_->pid());
    ExpectEnvelope(StreamBody(server_->port(), ServerProcess::Path("ITarvos", "PutModus") + "?x=1",
                              "application/json", kHundredMegabytes, "[0", ",0", "]"),
                   405);
    EXPECT_NE(std::string::npos, server_->ReadLog().find("JSONDump: [4] - [[0,0,0,0,0,0,0,"));
    ExpectPeakRiseBelow(before, 64 * 1024, "a JSON array of 100 MB");
}

TEST_F(TransportMemoryTest, HundredMegabyteUploadStreamsToAPrivateFile) {
    invoice_http::Client client(*server_);
    int request = client.Request(client.Manager());
    ASSERT_EQ(200, Upload(request, 512 << 10).status);  // threads and buffers at working size
    const std::string folder = server_->WorkFolder();
    std::set<std::string> existing = Entries(folder);
    long before = PeakKb(server_->pid());
    HttpResponse response = Upload(request, kHundredMegabytes);
    ASSERT_EQ(200, response.status) << response.body;
    std::vector<std::string> added;
    for (const std::string& name : Entries(folder)) {
        if (!existing.count(name)) added.push_back(name);
    }
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(static_cast<uintmax_t>(kHundredMegabytes), fs::file_size(folder + added[0]));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(folder + added[0]).permissions());
    EXPECT_EQ(fs::perms::owner_all, fs::status(folder).permissions());
    fs::remove(folder + added[0]);
    ExpectPeakRiseBelow(before, 8 * 1024, "an upload of 100 MB");
}

TEST_F(TransportMemoryTest, RefusedUploadLeavesNoFile) {
    std::set<std::string> before = Entries(server_->WorkFolder());
    for (int i = 0; i < 3; ++i) ExpectEnvelope(Upload(987654, 5 << 20), 402);
    EXPECT_EQ(before, Entries(server_->WorkFolder()));
}

}  // namespace
