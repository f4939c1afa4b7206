// GoogleTest before the REST library: the library defines a macro U.
#include <gtest/gtest.h>

#include <sys/time.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bridge/module_factory.h"
#include "bridge/module_interfaces.h"
#include "endpoint/endpoint_handler.h"
#include "platform/ini_file.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

namespace {

// A handler (listener not opened) on a clock the test moves, with module
// objects made by the invoice module and entered the way the operations
// enter them.
class SweepTest : public ::testing::Test {
  protected:
    SweepTest() {
        std::string ini = folder_.Path() + "TarvosServer450.ini";
        platform::WriteProfileString(ini, "PARAMS", "TMPDIR_CSIDL", folder_.Path());
        HandlerOptions options;
        options.workerThreads = 1;
        options.clock = [this] { return now_; };
        handler_ = std::make_unique<CEndpointHandler>("http://127.0.0.1:1/sweep", ini, options);
    }

    CHandlerTables& tables() { return handler_->Tables(); }

    int NewManager() {
        ComPtr<ITarvos> manager;
        EXPECT_EQ(S_OK,
                  CoCreateInstance(CLSID_Tarvos, nullptr, CLSCTX_ALL, InterfaceId<ITarvos>(),
                                   reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf())));
        int handle = tables().Add(manager);
        EXPECT_EQ(0, handler_->Registry().Register("ITarvos", 0, handle));
        return handle;
    }
    int NewRequest(int manager) {
        ComPtr<IGeneralInvoiceRequest> request;
        EXPECT_EQ(S_OK, tables().Lookup<ITarvos>(manager)->GetGeneralInvoiceRequest(
                            request.ReleaseAndGetAddressOf()));
        int handle = tables().Add(request);
        EXPECT_EQ(0, handler_->Registry().Register("IGeneralInvoiceRequest", manager, handle));
        return handle;
    }
    ComPtr<IAddress> MakeAddress(int request) {
        ComPtr<IAddress> address;
        EXPECT_EQ(S_OK, tables().Lookup<IGeneralInvoiceRequest>(request)->GetCreateAddress(
                            address.ReleaseAndGetAddressOf()));
        return address;
    }
    int NewAddress(int request) {
        int handle = tables().Add(MakeAddress(request));
        EXPECT_EQ(0, handler_->Registry().Register("IAddress", request, handle));
        return handle;
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

TEST_F(SweepTest, IdleFor3601SecondsIsReleasedFor3599Kept) {
    int manager = NewManager();
    int request = NewRequest(manager);
    now_ += 3599;
    LogCapture first;
    EXPECT_EQ(0, handler_->RunSanityChecks(false));
    ExpectReleases(first, {});
    EXPECT_EQ(1u,
              first.Lines("Start of CEndpointHandler::RunSanityChecks(doCheck) = (0,0)").size());
    EXPECT_EQ(1u,
              first.Lines("End   of CEndpointHandler::RunSanityChecks(doCheck) = (0,0)").size());
    now_ += 2;
    LogCapture second;
    EXPECT_EQ(0, handler_->RunSanityChecks(false));
    ExpectReleases(second, {Del("IGeneralInvoiceRequest", request, "sanity"),
                            Del("ITarvos", manager, "sanity")});
    EXPECT_EQ(1u,
              second.Lines("End   of CEndpointHandler::RunSanityChecks(doCheck) = (2,0)").size());
    EXPECT_EQ(0u, tables().Size());
    EXPECT_EQ(0u, handler_->Registry().GroupCount());
}

TEST_F(SweepTest, IdleAddressInAnActiveGroupGoesAlone) {
    int manager = NewManager();
    int request = NewRequest(manager);
    int address = NewAddress(request);
    now_ += 7200;
    ASSERT_EQ(0, handler_->Registry().Touch("ITarvos", "GetModus", manager));
    ASSERT_EQ(0, handler_->Registry().Touch("IGeneralInvoiceRequest", "Finalize", request));
    LogCapture log;
    handler_->RunSanityChecks(false);
    ExpectReleases(log, {Del("IAddress", address, "sanity")});
    EXPECT_EQ(2u, tables().Size());
}

TEST_F(SweepTest, LimitFromTheSettingsIsAtLeast300) {
    std::string ini = folder_.Path() + "other.ini";
    platform::WriteProfileString(ini, "Settings", "Interface_Max_Inactivity_Sec", "10");
    HandlerOptions options;
    options.workerThreads = 1;
    options.clock = [this] { return now_; };
    CEndpointHandler handler("http://127.0.0.1:1/limit", ini, options);
    handler.Registry().Register("ITarvos", 0, 5);
    std::string out;
    now_ += 300;
    EXPECT_EQ(0, handler.Registry().NextExpired("ITarvos", &out, false));
    now_ += 1;
    EXPECT_EQ(5, handler.Registry().NextExpired("ITarvos", &out, false));
}

// A destruction takes the group in order; the release at stop takes what
// the registry knows, then what only the tables hold, as "shutdown".
TEST_F(SweepTest, DestructionAndTheReleaseAtStopGoInOrder) {
    int manager = NewManager();
    int request = NewRequest(manager);
    int first = NewAddress(request);
    int second = NewAddress(request);
    ASSERT_LT(first, second);
    LogCapture destructed;
    EXPECT_EQ(0, handler_->DestructInstance("ITarvos", manager));
    ExpectReleases(
        destructed,
        {Del("IAddress", first, "destruct"), Del("IAddress", second, "destruct"),
         Del("IGeneralInvoiceRequest", request, "destruct"), Del("ITarvos", manager, "destruct")});
    EXPECT_EQ(0, handler_->DestructInstance("ITarvos", manager)) << "nothing left is no error";

    manager = NewManager();
    request = NewRequest(manager);
    int stray = tables().Add(MakeAddress(request));  // never registered
    tables().Lookup<IAddress>(stray + 1000);         // an empty slot
    LogCapture stopped;
    EXPECT_EQ(0, handler_->ReleaseAll());
    ExpectReleases(stopped, {Del("IGeneralInvoiceRequest", request, "sanity"),
                             Del("ITarvos", manager, "sanity"), Del("IAddress", stray, "shutdown"),
                             Del("IAddress", stray + 1000, "shutdown")});
    EXPECT_EQ(1u,
              stopped.Lines("End   of CEndpointHandler::RunSanityChecks(doDelete) = (2,0)").size());
    EXPECT_EQ(0u, tables().Size());
}

// --- the working folder's clean-up ---

class CleanupTest : public SweepTest {
  protected:
    void SetUp() override {
        work_ = handler_->GetWorkingFolder();
        ASSERT_EQ(folder_.Path() + "tolvan/Halvo450Rest/", work_);
    }
    // A file written `age` seconds before the handler's now.
    void MakeFile(const std::string& path, int64_t age) {
        std::ofstream(path) << "x";
        struct timeval times[2] = {{static_cast<time_t>(now_ - age), 0},
                                   {static_cast<time_t>(now_ - age), 0}};
        ASSERT_EQ(0, utimes(path.c_str(), times));
    }
    size_t Count() {
        size_t count = 0;
        for (auto& entry : std::filesystem::directory_iterator(work_))
            count += entry.is_regular_file();
        return count;
    }
    std::string work_;
};

TEST_F(CleanupTest, FilesOlderThanADayGoAtMost200EntriesACall) {
    MakeFile(work_ + "old.pdf", 86401);
    MakeFile(work_ + "young.pdf", 86399);
    std::filesystem::create_directory(work_ + "sub");
    handler_->RunSanityChecks(false);
    EXPECT_FALSE(std::filesystem::exists(work_ + "old.pdf"));
    EXPECT_TRUE(std::filesystem::exists(work_ + "young.pdf"));
    EXPECT_TRUE(std::filesystem::exists(work_ + "sub")) << "folders stay";
    for (int i = 0; i < 500; ++i) MakeFile(work_ + "f" + std::to_string(i), 90000);
    handler_->CleanupWorkingFolder(work_);
    size_t left = Count();
    EXPECT_GE(left, 301u);
    EXPECT_LE(left, 305u) << "200 entries, \".\", \"..\", the folder and the young file among them";
    handler_->CleanupWorkingFolder(work_);
    EXPECT_LT(Count(), left);
}

TEST_F(CleanupTest, OnlyTheServicesOwnFolderIsCleaned) {
    MakeFile(folder_.Path() + "old.txt", 90000);
    handler_->CleanupWorkingFolder(folder_.Path());
    handler_->CleanupWorkingFolder("");
    EXPECT_TRUE(std::filesystem::exists(folder_.Path() + "old.txt"));
    std::string upper = folder_.Path() + "TOLVAN/HALVO450REST/";
    std::filesystem::create_directories(upper);
    MakeFile(upper + "old.txt", 90000);
    handler_->CleanupWorkingFolder(upper);
    EXPECT_FALSE(std::filesystem::exists(upper + "old.txt")) << "the guard ignores case";
}

}  // namespace
