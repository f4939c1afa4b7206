#include "service/base_service.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/service_control.h"
#include "tests/engine/file_text.h"
#include "tests/engine/temp_folder.h"

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
        service->SetExecutablePath("/opt/with space/100%/./tarvosserver450");
        return service;
    }

    static platform::StatusRecord StatusRecord(const std::string& path) {
        platform::StatusRecord record;
        platform::ReadStatusFile(path, &record);
        return record;
    }

    std::string UnitFile() const { return unitDir_ + "/TarvosServer450.service"; }

    TempFolder folder_;
    std::string unitDir_, statusFile_;
};

// ---- Main loop and control requests -------------------------------------------

// A run of the main loop on a clock of the test's own: each sweep hands the
// service the next control request. What the hooks saw, each request
// followed by the state the service and its status file show then.
TEST_F(BaseServiceTest, MainLoopSweepsEveryHalfLimitAndActsOnControlRequests) {
    auto run = [this](uint32_t limit, bool stopFirst, std::vector<int> controls) {
        std::unique_ptr<CBaseService> service = MakeService(limit);
        if (stopFirst) service->SetStatusFile(folder_.Path() + "missing/x.status");
        auto states = [&] {
            return std::to_string(service->CurrentState()) + "/" +
                   std::to_string(StatusRecord(service->statusFile()).state);
        };
        int64_t clockMs = 0;
        size_t next = 0;
        std::string trace;
        ServiceHooks hooks;
        hooks.waitForStop = [&](CStopEvent& event, milliseconds timeout) {
            trace += "w" + std::to_string(timeout.count()) + " ";
            if (event.IsSet()) return true;
            clockMs += timeout.count();
            return false;
        };
        hooks.sweep = [&] {
            int control = controls.at(next++);
            if (control == 4) std::filesystem::remove(statusFile_);
            service->Handler(control);
            trace += "s" + std::to_string(clockMs) + " " + std::to_string(control) + ":" +
                     states() + " ";
        };
        hooks.closeListener = [&] { trace += "close "; };
        hooks.releaseAll = [&] { trace += "release "; };
        service->SetHooks(hooks);
        if (stopFirst) service->Handler(1);
        service->ServiceMain(0, nullptr);
        return trace + "end:" + states();
    };
    // A stop before the loop, with a status folder that is not there.
    EXPECT_EQ("w150000 close release end:1/0", run(300, true, {}));
    // Pause, continue, interrogate (reports again), stop: acted on when the
    // sweep returns.
    EXPECT_EQ(
        "w1800000 s1800000 2:6/6 w1800000 s3600000 3:5/5 w1800000 s5400000 4:5/5 w1800000 "
        "s7200000 1:3/3 w1800000 close release end:1/1",
        run(3600, false, {2, 3, 4, 1}));
    EXPECT_EQ(static_cast<long>(getpid()), StatusRecord(statusFile_).pid);
}

// ---- Install and uninstall -------------------------------------------------------

const char kExpectedUnit[] =
    "[Unit]\n"
    "Description=Service entry point for TarvosServer450\n"
    "StartLimitIntervalSec=3600\n"
    "StartLimitBurst=3\n"
    "\n[Service]\n"
    "Type=notify\n"
    "ExecStart=\"/opt/with space/100%%/tarvosserver450\"\n"  // quoted for systemd
    "Restart=on-failure\n"
    "RestartSec=1\n"
    "UMask=0077\n"
    "LimitNOFILE=65536\n"
    "NoNewPrivileges=yes\n"
    "PrivateTmp=yes\n"
    "ProtectSystem=full\n"
    "\n[Install]\n"
    "WantedBy=multi-user.target\n";

TEST_F(BaseServiceTest, InstallWritesTheUnitFile) {
    std::unique_ptr<CBaseService> service = MakeService();
    EXPECT_EQ(1, service->Install());
    EXPECT_EQ(kExpectedUnit, ReadFileText(UnitFile()));
    // A second install, the removal: the integration tests.
}

// ---- Status ------------------------------------------------------------------------

// The status file tells while its process lives (one that has ended counts
// as stopped); else the unit file tells whether the service is there at all
// (neither: unknown; a live one without a unit: the integration tests).
TEST_F(BaseServiceTest, StateComesFromTheStatusFileWhileItsProcessLives) {
    auto state = [this] { return platform::QueryServiceState(UnitFile(), statusFile_); };
    WriteFileText(UnitFile(), kExpectedUnit);
    EXPECT_EQ(platform::kStateStopped, state()) << "no status file";
    WriteFileText(statusFile_, "State=4\nPid=" + std::to_string(getpid()) + "\n");
    EXPECT_EQ(platform::kStateRunning, state());
    pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    WriteFileText(statusFile_, "State=4\nPid=" + std::to_string(ended) + "\n");
    EXPECT_EQ(platform::kStateStopped, state());
}

}  // namespace
