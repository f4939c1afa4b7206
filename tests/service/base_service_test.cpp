#include "service/base_service.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/service_control.h"
#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"
#include "tests/service/log_capture.h"

namespace {

using std::chrono::milliseconds;

// A service over a temporary folder: unit folder "units/", status file beside.
class BaseServiceTest : public ::testing::Test {
  protected:
    BaseServiceTest()
        : unitDir_(folder_.Path() + "units"),
          statusFile_(folder_.Path() + "TarvosServer450.status") {
        std::filesystem::create_directory(unitDir_);
    }

    std::unique_ptr<CBaseService> MakeService(uint32_t maxInactivitySec = 300) {
        std::unique_ptr<CBaseService> service(new CBaseService(
            maxInactivitySec, "http://localhost:35340/tarvosServer450", 0, "TarvosServer450",
            "TarvosServer450", 1, "Service entry point for TarvosServer450"));
        service->SetUnitDir(unitDir_);
        service->SetStatusFile(statusFile_);
        service->SetExecutablePath("/opt/tarvos/./tarvosserver450");
        return service;
    }

    bool Logged(const std::string& text) const { return !log_.Lines(text).empty(); }

    platform::StatusRecord StatusRecord() const {
        platform::StatusRecord record;
        platform::ReadStatusFile(statusFile_, &record);
        return record;
    }

    std::string UnitFile() const { return unitDir_ + "/TarvosServer450.service"; }

    TempFolder folder_;
    std::string unitDir_, statusFile_;
    LogCapture log_;
};

// ---- Main loop -----------------------------------------------------------------

// The loop sweeps every half of the inactivity limit, on a clock of the
// test's own; a stop during a sweep is acted on when the sweep returns: the
// listener closed, then everything released.
TEST_F(BaseServiceTest, MainLoopSweepsEveryHalfLimitUntilAStop) {
    for (uint32_t limit : {300u, 3600u}) {
        std::unique_ptr<CBaseService> service = MakeService(limit);
        int64_t clockMs = 0;
        std::vector<int64_t> waits, sweeps;
        std::vector<std::string> steps;
        ServiceHooks hooks;
        hooks.waitForStop = [&](CStopEvent& event, milliseconds timeout) {
            waits.push_back(timeout.count());
            if (event.IsSet()) return true;
            clockMs += timeout.count();
            return false;
        };
        hooks.sweep = [&] {
            sweeps.push_back(clockMs);
            steps.push_back("sweep");
            if (sweeps.size() < 3) return;
            service->Handler(1);
            steps.push_back("stop " + std::to_string(service->CurrentState()) + " " +
                            std::to_string(StatusRecord().state));
        };
        hooks.closeListener = [&] { steps.push_back("close"); };
        hooks.releaseAll = [&] { steps.push_back("release"); };
        service->SetHooks(hooks);
        service->ServiceMain(0, nullptr);
        int64_t half = limit * 500;
        EXPECT_EQ((std::vector<int64_t>{half, 2 * half, 3 * half}), sweeps);
        EXPECT_EQ((std::vector<int64_t>{half, half, half, half}), waits);
        EXPECT_EQ(
            (std::vector<std::string>{"sweep", "sweep", "sweep", "stop 3 3", "close", "release"}),
            steps);
        EXPECT_EQ(1u, service->CurrentState());
        EXPECT_EQ(platform::kStateStopped, StatusRecord().state);
        EXPECT_EQ(static_cast<long>(getpid()), StatusRecord().pid);
    }
    EXPECT_TRUE(Logged("TRACE(myService01): myService::RegisterCtrlHandler() returned [OK] "));
    EXPECT_TRUE(
        Logged("CService::ServiceMain: <TarvosServer450,timeout=300s> successfully started... "));
    EXPECT_TRUE(Logged("CService::ServiceMain: <TarvosServer450> successfully stopped... "));
}

// A stop before the loop begins is not lost (the real wait would block for
// 150 s); a status folder that cannot be written fails the reports only.
TEST_F(BaseServiceTest, StopBeforeTheLoopWithAnUnwritableStatusFolder) {
    std::unique_ptr<CBaseService> service = MakeService(300);
    service->SetStatusFile(folder_.Path() + "missing/TarvosServer450.status");
    int sweeps = 0;
    ServiceHooks hooks;
    hooks.sweep = [&] { ++sweeps; };
    service->SetHooks(hooks);
    service->Handler(1);
    service->ServiceMain(0, nullptr);
    EXPECT_EQ(0, sweeps);
    EXPECT_EQ(1u, service->CurrentState());
    for (const char* line :
         {"TRACE(baseService03): Failed in call to "
          "RegisterCtrlHandler::RegisterServiceCtrlHandler - lastError:[2] ",
          "TRACE(myService01): myService::RegisterCtrlHandler() returned [ERR] ",
          "TRACE(baseService01): Failed in call to ReportStatusToSCM::SetServiceStatus",
          "TRACE(baseService02): Failed in call to ReportStatusToSCM::SetServiceStatus"}) {
        EXPECT_TRUE(Logged(line)) << line << log_.Text();
    }
}

// ---- Control requests ------------------------------------------------------------

TEST_F(BaseServiceTest, ControlRequestsMoveTheStateAndReportIt) {
    std::unique_ptr<CBaseService> service = MakeService();
    ASSERT_TRUE(service->RegisterCtrlHandler());
    ASSERT_TRUE(service->ReportStatusToSCM(4, 0, 0, 1, 0));
    // Control code, the state it leaves, the state of the status file.
    const int steps[][3] = {
        {2, 6, platform::kStatePausePending},      {3, 5, platform::kStateContinuePending},
        {4, 5, platform::kStateContinuePending},  // interrogate reports again
        {5, 5, platform::kStateContinuePending},  // shutdown: logged only
        {200, 5, platform::kStateContinuePending}, {1, 3, platform::kStateStopPending},
    };
    for (const auto& step : steps) {
        if (step[0] == 4) std::filesystem::remove(statusFile_);
        service->Handler(step[0]);
        EXPECT_EQ(static_cast<uint32_t>(step[1]), service->CurrentState()) << step[0];
        EXPECT_EQ(step[2], StatusRecord().state) << step[0];
    }
    EXPECT_TRUE(Logged("CService::ServiceMain: <TarvosServer450> successfully shutdown... "));
}

TEST_F(BaseServiceTest, DispatcherTurnsSignalsIntoControlRequests) {
    std::unique_ptr<CBaseService> service = MakeService(300);
    std::vector<int> sent;
    ServiceHooks hooks;
    hooks.waitForSignal = [&](milliseconds) {
        std::this_thread::sleep_for(milliseconds(1));
        if (service->CurrentState() != 4) return 0;
        // Running: first an interrogate, then a stop.
        sent.push_back(sent.empty() ? SIGHUP : SIGTERM);
        return sent.back();
    };
    service->SetHooks(hooks);
    EXPECT_TRUE(service->StartDispatcher());
    EXPECT_EQ((std::vector<int>{SIGHUP, SIGTERM}), sent);
    EXPECT_EQ(platform::kStateStopped, StatusRecord().state);
}

// ---- Install and uninstall -------------------------------------------------------

const char kExpectedUnit[] =
    "[Unit]\n"
    "Description=Service entry point for TarvosServer450\n"
    "StartLimitIntervalSec=3600\n"
    "StartLimitBurst=3\n"
    "\n[Service]\n"
    "Type=notify\n"
    "ExecStart=/opt/tarvos/tarvosserver450\n"
    "Restart=on-failure\n"
    "RestartSec=1\n"
    "UMask=0077\n"
    "LimitNOFILE=65536\n"
    "NoNewPrivileges=yes\n"
    "PrivateTmp=yes\n"
    "ProtectSystem=full\n"
    "\n[Install]\n"
    "WantedBy=multi-user.target\n";

TEST_F(BaseServiceTest, InstallWritesTheUnitFileOnceAndUninstallRemovesIt) {
    std::unique_ptr<CBaseService> service = MakeService();
    EXPECT_EQ(1, service->Install());
    EXPECT_EQ(kExpectedUnit, ReadFileText(UnitFile()));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(unitDir_),
                               std::filesystem::directory_iterator()));
    service->SetExecutablePath("/elsewhere/tarvosserver450");
    EXPECT_EQ(0, service->Install());
    EXPECT_EQ(kExpectedUnit, ReadFileText(UnitFile())) << "the first unit stays";
    EXPECT_EQ(1, service->Uninstall());
    EXPECT_FALSE(std::filesystem::exists(UnitFile()));

    // Without failure actions: no restart policy; the path quoted for systemd.
    service.reset();  // one service object at a time
    struct NoRestart : CBaseService {
        NoRestart() : CBaseService(300, "", 0, "TarvosServer450", "TarvosServer450", 1, "") {}
        bool GetFailureActions(int*) override { return false; }
    } plain;
    plain.SetUnitDir(unitDir_);
    plain.SetExecutablePath("/opt/with space/100%/tarvosserver450");
    ASSERT_EQ(1, plain.Install());
    std::string unit = ReadFileText(UnitFile());
    for (const char* absent : {"Restart", "StartLimit", "Description"}) {
        EXPECT_EQ(std::string::npos, unit.find(absent)) << unit;
    }
    EXPECT_NE(std::string::npos, unit.find("ExecStart=\"/opt/with space/100%%/tarvosserver450\"\n"))
        << unit;

    // A unit folder that is not there fails both.
    plain.SetUnitDir(folder_.Path() + "no-such-folder");
    EXPECT_EQ(0, plain.Install());
    EXPECT_EQ(0, plain.Uninstall());
    EXPECT_TRUE(
        Logged("TRACE(baseService05): Failed to open Install::CBaseServiceControlManager::open - "
               "lastError:[2] "))
        << log_.Text();
    EXPECT_TRUE(
        Logged("TRACE(baseService10): Failed in call to "
               "Uninstall::CBaseServiceControlManager::open - lastError:[2] "));
    EXPECT_TRUE(platform::IsSystemUnitDir("/etc/systemd/system//"));
    EXPECT_TRUE(platform::IsSystemUnitDir("/lib/systemd/system"));
    EXPECT_FALSE(platform::IsSystemUnitDir("/etc/systemd"));
    EXPECT_FALSE(platform::SystemdManagesUnitDir("/tmp/units"));
}

// ---- Status ------------------------------------------------------------------------

TEST_F(BaseServiceTest, StateComesFromTheStatusFileWhileItsProcessLives) {
    std::string unit = UnitFile();
    EXPECT_EQ(platform::kStateUnknown, platform::QueryServiceState(unit, statusFile_));
    std::ofstream(unit) << kExpectedUnit;
    EXPECT_EQ(platform::kStateStopped, platform::QueryServiceState(unit, statusFile_));
    std::ofstream(statusFile_) << "garbage";
    EXPECT_EQ(platform::kStateStopped, platform::QueryServiceState(unit, statusFile_));

    platform::StatusRecord record;
    record.state = platform::kStateRunning;
    record.pid = getpid();
    ASSERT_EQ(0, platform::WriteStatusFile(statusFile_, record));
    EXPECT_EQ(platform::kStateRunning, platform::QueryServiceState(unit, statusFile_));
    // A process that has ended leaves its last state behind: it counts as stopped.
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    record.pid = child;
    ASSERT_EQ(0, platform::WriteStatusFile(statusFile_, record));
    EXPECT_EQ(platform::kStateStopped, platform::QueryServiceState(unit, statusFile_));
    // Without the unit file, the status file alone still tells.
    std::filesystem::remove(unit);
    record.pid = getpid();
    ASSERT_EQ(0, platform::WriteStatusFile(statusFile_, record));
    EXPECT_EQ(platform::kStateRunning, platform::QueryServiceState(unit, statusFile_));
    std::ofstream(statusFile_) << "State=4\n";
    EXPECT_EQ(platform::kStateUnknown, platform::QueryServiceState(unit, statusFile_));
}

}  // namespace
