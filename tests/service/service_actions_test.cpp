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

StatusFacts Facts(int state) {
    StatusFacts facts;
    facts.endpoint = "http://localhost:35340/tarvosServer450";
    facts.state = state;
    facts.maxInactivitySec = 3600;
    facts.startTime = static_cast<uint32_t>(kStart);
    facts.now = kStart + kUptime;
    return facts;
}

TEST(ServiceTextsTest, HelpAndStatusAsTheOperatorReadsThem) {
    ScopedEnv zone("TZ", "XYZ-2");  // two hours east of UTC: the start falls on the next day
    EXPECT_EQ(Expected("help.txt"), HelpText("http://localhost:35340/tarvosServer450"));
    EXPECT_EQ(Expected("status_running.txt"), StatusText(Facts(platform::kStateRunning)));
    // No start time unless running.
    std::string stopped = StatusText(Facts(platform::kStateStopped));
    EXPECT_EQ(std::string::npos, stopped.find("Service start time:")) << stopped;
    std::string uptimes;  // 50000 days: beyond 32 bits of seconds
    for (int64_t seconds : {int64_t(86399), 50000 * int64_t(86400), int64_t(-30)})
        uptimes += UptimeText(seconds) + " ";
    EXPECT_EQ("0:23:59:59 50000:00:00:00 0:00:00:00 ", uptimes);
}

}  // namespace
