// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <sys/time.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bridge/verb_dispatchers.h"
#include "endpoint/endpoint_handler.h"
#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

namespace {

// A handler (listener not opened) with the bridge's dispatchers, on a clock
// the test moves; its settings ask for an inactivity limit of 10 s, which
// counts as the least allowed, 300 s.
class SweepTest : public ::testing::Test {
  protected:
    SweepTest() {
        std::string ini = folder_.Path() + "TarvosServer450.ini";
        platform::WriteProfileString(ini, "PARAMS", "TMPDIR_CSIDL", folder_.Path());
        platform::WriteProfileString(ini, "Settings", "Interface_Max_Inactivity_Sec", "10");
        HandlerOptions options;
        options.workerThreads = 1;
        options.clock = [this] { return now_; };
        handler_ = std::make_unique<CEndpointHandler>("http://127.0.0.1:1/sweep", ini, options);
        InstallDispatchers(*handler_);
    }

    // A manager, its request and `addresses` addresses of the request, made
    // by GET requests as a client makes them: their handles in that order.
    std::vector<int> Group(int addresses) {
        std::vector<int> handles{Get("ITarvos/GetCreateTarvos", "pITarvos")};
        handles.push_back(
            Get("ITarvos/GetGeneralInvoiceRequest?pITarvos=" + std::to_string(handles[0]),
                "pIGeneralInvoiceRequest"));
        for (int i = 0; i < addresses; ++i) {
            handles.push_back(
                Get("IGeneralInvoiceRequest/GetCreateAddress?pIGeneralInvoiceRequest=" +
                        std::to_string(handles[1]),
                    "pIAddress"));
        }
        return handles;
    }
    int Get(const std::string& target, const std::string& key) {
        HttpRequest request;
        request.head.method = "GET";
        request.head.target = "/sweep/" + target;
        Reply reply = handler_->Handle(request);
        EXPECT_EQ(200, reply.status) << target << " " << reply.body.serialize();
        return reply.body.has_field(key) ? reply.body.at(key).as_integer() : 0;
    }

    static std::string Del(const std::string& name, int handle, const std::string& location) {
        return "COMInstanceDel: interface=[" + name + "] address=[" + std::to_string(handle) +
               "] location=[" + location + "]";
    }

    // Checks that the "COMInstanceDel" lines of `log` are `expected`, in order.
    static void ExpectReleases(const LogCapture& log, const std::vector<std::string>& expected) {
        std::vector<std::string> lines = log.Lines("COMInstanceDel");
        ASSERT_EQ(expected.size(), lines.size()) << log.Text();
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NE(std::string::npos, lines[i].find(expected[i])) << lines[i];
        }
    }

    TempFolder folder_;
    int64_t now_ = std::time(nullptr);
    std::unique_ptr<CEndpointHandler> handler_;
};

// Idle for 299 s: kept; for 301 s: released. An idle address of a group in
// use goes alone.
TEST_F(SweepTest, WhatIsIdleForLongerThanTheLimitIsReleased) {
    std::vector<int> group = Group(1);
    now_ += 299;
    LogCapture kept;
    EXPECT_EQ(0, handler_->RunSanityChecks(false));
    ExpectReleases(kept, {});
    EXPECT_EQ(1u, kept.Lines("Start of CEndpointHandler::RunSanityChecks(doCheck) = (0,0)").size());
    EXPECT_EQ(1u, kept.Lines("End   of CEndpointHandler::RunSanityChecks(doCheck) = (0,0)").size());
    ASSERT_EQ(0, handler_->Registry().Touch("ITarvos", "GetModus", group[0]));
    ASSERT_EQ(0, handler_->Registry().Touch("IGeneralInvoiceRequest", "Finalize", group[1]));
    now_ += 2;
    LogCapture alone;
    handler_->RunSanityChecks(false);
    ExpectReleases(alone, {Del("IAddress", group[2], "sanity")});
    now_ += 299;
    LogCapture rest;
    EXPECT_EQ(0, handler_->RunSanityChecks(false));
    ExpectReleases(rest, {Del("IGeneralInvoiceRequest", group[1], "sanity"),
                          Del("ITarvos", group[0], "sanity")});
    EXPECT_EQ(1u, rest.Lines("End   of CEndpointHandler::RunSanityChecks(doCheck) = (2,0)").size());
    EXPECT_EQ(0u, handler_->Tables().Size());
    EXPECT_EQ(0u, handler_->Registry().GroupCount());
}

// A destruction takes the group in order; the release at stop takes what
// the registry knows, then what only the tables hold, as "shutdown".
TEST_F(SweepTest, DestructionAndTheReleaseAtStopGoInOrder) {
    std::vector<int> group = Group(2);
    ASSERT_LT(group[2], group[3]);
    LogCapture destructed;
    EXPECT_EQ(0, handler_->DestructInstance("ITarvos", group[0]));
    ExpectReleases(destructed,
                   {Del("IAddress", group[2], "destruct"), Del("IAddress", group[3], "destruct"),
                    Del("IGeneralInvoiceRequest", group[1], "destruct"),
                    Del("ITarvos", group[0], "destruct")});
    EXPECT_EQ(0, handler_->DestructInstance("ITarvos", group[0])) << "nothing left is no error";

    group = Group(1);
    std::string name;  // the address leaves the registry, not the tables
    ASSERT_EQ(group[2], handler_->Registry().NextToDestroy("IAddress", group[2], &name));
    handler_->Tables().Lookup<IAddress>(group[2] + 1000);  // an empty slot
    LogCapture stopped;
    EXPECT_EQ(0, handler_->ReleaseAll());
    ExpectReleases(
        stopped,
        {Del("IGeneralInvoiceRequest", group[1], "sanity"), Del("ITarvos", group[0], "sanity"),
         Del("IAddress", group[2], "shutdown"), Del("IAddress", group[2] + 1000, "shutdown")});
    EXPECT_EQ(1u,
              stopped.Lines("End   of CEndpointHandler::RunSanityChecks(doDelete) = (2,0)").size());
    EXPECT_EQ(0u, handler_->Tables().Size());
}

// The sweep deletes files older than a day from the working folder, at most
// 200 directory entries a call, and from no other folder.
TEST_F(SweepTest, CleanupOfTheWorkingFolder) {
    const std::string work = handler_->GetWorkingFolder();
    ASSERT_EQ(folder_.Path() + "tolvan/Halvo450Rest/", work);
    auto make = [this](const std::string& path, int64_t age) {
        std::ofstream(path) << "x";
        struct timeval times[2] = {{static_cast<time_t>(now_ - age), 0},
                                   {static_cast<time_t>(now_ - age), 0}};
        ASSERT_EQ(0, utimes(path.c_str(), times));
    };
    auto count = [&work] {
        size_t files = 0;
        for (auto& entry : std::filesystem::directory_iterator(work))
            files += entry.is_regular_file();
        return files;
    };
    make(work + "old.pdf", 86401);
    make(work + "young.pdf", 86399);
    std::filesystem::create_directory(work + "sub");
    handler_->RunSanityChecks(false);
    EXPECT_FALSE(std::filesystem::exists(work + "old.pdf"));
    EXPECT_TRUE(std::filesystem::exists(work + "young.pdf"));
    EXPECT_TRUE(std::filesystem::exists(work + "sub")) << "folders stay";
    for (int i = 0; i < 500; ++i) make(work + "f" + std::to_string(i), 90000);
    handler_->CleanupWorkingFolder(work);
    size_t left = count();
    EXPECT_GE(left, 301u);
    EXPECT_LE(left, 305u) << "200 entries, \".\", \"..\", the folder and the young file among them";
    handler_->CleanupWorkingFolder(work);
    EXPECT_LT(count(), left);

    make(folder_.Path() + "old.txt", 90000);
    handler_->CleanupWorkingFolder(folder_.Path());
    handler_->CleanupWorkingFolder("");
    EXPECT_TRUE(std::filesystem::exists(folder_.Path() + "old.txt"));
    std::string upper = folder_.Path() + "TOLVAN/HALVO450REST/";
    std::filesystem::create_directories(upper);
    make(upper + "old.txt", 90000);
    handler_->CleanupWorkingFolder(upper);
    EXPECT_FALSE(std::filesystem::exists(upper + "old.txt")) << "the guard ignores case";
}

}  // namespace
