#include "service/service_actions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/service_control.h"

namespace {

using ::testing::Return;

std::string Expected(const std::string& name) {
    std::ifstream in(std::string(TARVOS_SOURCE_DIR) + "/tests/service/data/" + name,
                     std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// 2023-11-14 22:13:20 UTC.
constexpr time_t kStart = 1700000000;
// One day, two hours, three minutes and four seconds.
constexpr time_t kUptime = 86400 + 2 * 3600 + 3 * 60 + 4;

// The local time of these tests: two hours east of UTC, so the start time
// above falls on the next day.
class LocalTimeZone {
  public:
    LocalTimeZone() {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        setenv("TZ", "XYZ-2", 1);
        tzset();
    }
    ~LocalTimeZone() {
        if (hadOld_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    bool hadOld_ = false;
    std::string old_;
};

StatusFacts RunningFacts() {
    StatusFacts facts;
    facts.endpoint = "http://localhost:35340/tarvosServer450";
    facts.state = platform::kStateRunning;
    facts.maxInactivitySec = 3600;
    facts.startTime = kStart;
    facts.now = kStart + kUptime;
    return facts;
}

TEST(ServiceTextsTest, HelpMatchesTheExpectedText) {
    EXPECT_EQ(Expected("help.txt"), HelpText("http://localhost:35340/tarvosServer450"));
    EXPECT_EQ("ZidavurAzivaziRezadad450.exe", HelpCaption());
}

TEST(ServiceTextsTest, StatusOfARunningService) {
    LocalTimeZone zone;
    EXPECT_EQ(Expected("status_running.txt"), StatusText(RunningFacts()));
    EXPECT_EQ("Status of <ZidavurAzivaziRezadad450.exe>     ", StatusCaption());
}

TEST(ServiceTextsTest, StatusOfAStoppedServiceHasNoStartTimeOrUptime) {
    StatusFacts facts = RunningFacts();
    facts.endpoint = "http://localhost:40000/tarvosServer450";
    facts.state = platform::kStateStopped;
    facts.maxInactivitySec = 300;
    EXPECT_EQ(Expected("status_stopped.txt"), StatusText(facts));
}

TEST(ServiceTextsTest, RunningWithoutStartTimeHasNoStartTimeOrUptime) {
    StatusFacts facts = RunningFacts();
    facts.startTime = 0;
    std::string text = StatusText(facts);
    EXPECT_NE(std::string::npos, text.find("<service is running>"));
    EXPECT_EQ(std::string::npos, text.find("Service start time:"));
    EXPECT_EQ(std::string::npos, text.find("Service uptime:"));
}

TEST(ServiceTextsTest, StateTexts) {
    const char* expected[] = {"unknown",
                              "service is stopped",
                              "service is starting",
                              "service is stopping",
                              "service is running",
                              "service continue is pending",
                              "service pause is pending",
                              "service is paused",
                              "unknown"};
    for (int state = 0; state <= 8; ++state) {
        StatusFacts facts = RunningFacts();
        facts.state = state;
        EXPECT_NE(std::string::npos, StatusText(facts).find("Service current state:    <" +
                                                            std::string(expected[state]) + ">\n"))
            << state;
    }
}

TEST(ServiceTextsTest, UptimeFormat) {
    EXPECT_EQ("1:02:03:04", UptimeText(kUptime));
    EXPECT_EQ("0:00:00:00", UptimeText(0));
    EXPECT_EQ("0:23:59:59", UptimeText(86399));
    EXPECT_EQ("365:00:00:01", UptimeText(365LL * 86400 + 1));
    // Days beyond 32 bits of seconds.
    EXPECT_EQ("50000:00:00:00", UptimeText(50000LL * 86400));
    EXPECT_EQ("0:00:00:00", UptimeText(-30));
}

TEST(ServiceTextsTest, StartTimeIsLocalTime) {
    LocalTimeZone zone;
    EXPECT_EQ("15.11.2023 00:13:20", StartTimeText(kStart));
    EXPECT_EQ("01.01.1970 02:00:00", StartTimeText(0));
}

// ---- Action dispatch -------------------------------------------------------

class MockService : public CBaseService {
  public:
    MockService()
        : CBaseService(3600, "http://localhost:35340/tarvosServer450", 0, "TarvosServer450",
                       "TarvosServer450", 1, "") {}
    MOCK_METHOD(bool, StartDispatcher, (), (override));
    MOCK_METHOD(int, Install, (), (override));
    MOCK_METHOD(int, Uninstall, (), (override));
    MOCK_METHOD(void, DebugRun, (), (override));
    MOCK_METHOD(void, Help, (), (override));
    MOCK_METHOD(void, Status, (), (override));
};

int Dispatch(CBaseService& service, int mode) {
    CBaseServiceCommandLineInfo info;
    info.RunMode = mode;
    return RunAction(service, info);
}

TEST(RunActionTest, ServiceRunGivesTheDispatcherResult) {
    MockService service;
    EXPECT_CALL(service, StartDispatcher()).WillOnce(Return(true)).WillOnce(Return(false));
    EXPECT_EQ(1, Dispatch(service, kRunService));
    EXPECT_EQ(0, Dispatch(service, kRunService));
}

TEST(RunActionTest, InstallAndUninstallGiveTheirResults) {
    MockService service;
    EXPECT_CALL(service, Install()).WillOnce(Return(1)).WillOnce(Return(0));
    EXPECT_CALL(service, Uninstall()).WillOnce(Return(0));
    EXPECT_EQ(1, Dispatch(service, kRunInstall));
    EXPECT_EQ(0, Dispatch(service, kRunInstall));
    EXPECT_EQ(0, Dispatch(service, kRunUninstall));
}

TEST(RunActionTest, HelpStatusAndDebugGiveOne) {
    MockService service;
    EXPECT_CALL(service, Help());
    EXPECT_CALL(service, Status());
    EXPECT_CALL(service, DebugRun());
    EXPECT_EQ(1, Dispatch(service, kRunHelp));
    EXPECT_EQ(1, Dispatch(service, kRunStatus));
    EXPECT_EQ(1, Dispatch(service, kRunDebug));
}

TEST(RunActionTest, SetportAndUnknownModesDoNothing) {
    MockService service;  // any call would be an uninteresting call
    EXPECT_CALL(service, StartDispatcher()).Times(0);
    EXPECT_CALL(service, Install()).Times(0);
    EXPECT_CALL(service, Uninstall()).Times(0);
    EXPECT_CALL(service, Help()).Times(0);
    EXPECT_CALL(service, Status()).Times(0);
    EXPECT_EQ(1, Dispatch(service, kRunSetPort));
    EXPECT_EQ(1, Dispatch(service, 99));
}

}  // namespace
