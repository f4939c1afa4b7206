#include "service/service_actions.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "platform/service_control.h"
#include "tests/engine/file_text.h"
#include "tests/service/scoped_env.h"

namespace {

std::string Expected(const std::string& name) {
    return ReadFileText(TARVOS_SOURCE_DIR "/tests/service/data/" + name);
}

// 2023-11-14 22:13:20 UTC, and one day, two hours, three minutes and four
// seconds later.
constexpr time_t kStart = 1700000000;
constexpr time_t kUptime = 86400 + 2 * 3600 + 3 * 60 + 4;

StatusFacts Facts(int state, const char* endpoint = "http://localhost:35340/tarvosServer450",
                  uint32_t maxInactivitySec = 3600, time_t start = kStart) {
    StatusFacts facts;
    facts.endpoint = endpoint;
    facts.state = state;
    facts.maxInactivitySec = maxInactivitySec;
    facts.startTime = static_cast<uint32_t>(start);
    facts.now = kStart + kUptime;
    return facts;
}

TEST(ServiceTextsTest, HelpAndStatusAsTheOperatorReadsThem) {
    ScopedEnv zone("TZ", "XYZ-2");  // two hours east of UTC: the start falls on the next day
    EXPECT_EQ(Expected("help.txt"), HelpText("http://localhost:35340/tarvosServer450"));
    EXPECT_EQ(Expected("status_running.txt"), StatusText(Facts(platform::kStateRunning)));
    // No start time unless running with one.
    for (const StatusFacts& facts :
         {Facts(platform::kStateRunning, "x", 300, 0), Facts(platform::kStateStopped)}) {
        std::string text = StatusText(facts);
        EXPECT_EQ(std::string::npos, text.find("Service start time:")) << text;
    }
    EXPECT_EQ("ZidavurAzivaziRezadad450.exe", HelpCaption());
    std::string uptimes;  // 50000 days: beyond 32 bits of seconds
    for (int64_t seconds : {int64_t(0), int64_t(86399), 365 * int64_t(86400) + 1,
                            50000 * int64_t(86400), int64_t(-30)})
        uptimes += UptimeText(seconds) + " ";
    EXPECT_EQ("0:00:00:00 0:23:59:59 365:00:00:01 50000:00:00:00 0:00:00:00 ", uptimes);
}

}  // namespace
