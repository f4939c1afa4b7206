#include "platform/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SYSTEMTIME Civil(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return {u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

std::string Text(const SYSTEMTIME& st) {
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay,
             st.wHour, st.wMinute, st.wSecond);
    return text;
}

// The serial of a civil time, or NaN on failure.
DATE Serial(SYSTEMTIME st) {
    DATE d = 0;
    return SystemTimeToVariantTime(&st, &d) ? d : kNaN;
}

constexpr double kLastSecond = 2958465.0 + 86399.0 / 86400;  // 9999-12-31 23:59:59

// A serial, its civil time (or "fail") and that time's serial: to the second,
// the day of a negative serial is that of its whole part; civil fields past
// their end carry over. Which civil day a serial is:
// DateCheckTest.SerialsAndTextsFollowThePlatformCalendar.
TEST(OleDateTest, SerialsToCivilTimesAndBack) {
    const std::tuple<double, const char*, double> cases[] = {
        {45352.0 + 14.5 / 24, "2024-03-01 14:30:00", 45352.0 + 14.5 / 24},
        // Before the epoch the fraction counts forward from midnight.
        {-1.25, "1899-12-29 06:00:00", -1.25},
        {-0.5, "1899-12-30 12:00:00", 0.5},
        // To the nearest second, carrying into the next day for either sign.
        {0.99999999, "1899-12-31 00:00:00", 1},
        {-1.99999999, "1899-12-30 00:00:00", 0},
        {-657434.99999, "0100-01-01 23:59:59", -657434.0 - 86399.0 / 86400},
        {kLastSecond, "9999-12-31 23:59:59", kLastSecond},
        {Serial(Civil(2100, 2, 29)), "2100-03-01 00:00:00", 73110},
        {Serial(Civil(1900, 2, 29)), "1900-03-01 00:00:00", 61},  // no 1900-02-29
        {Serial(Civil(2024, 3, 1, 24)), "2024-03-02 00:00:00", 45353},
        {-657435.0, "fail", 0},
        {2958465.99999999, "fail", 0},  // rounds past the last second of 9999
        {1e300, "fail", 0},
        {kNaN, "fail", 0},
    };
    for (const auto& [serial, civil, back] : cases) {
        SYSTEMTIME st = Civil(2001, 2, 3, 4, 5, 6, 7);
        bool ok = VariantTimeToSystemTime(serial, &st);
        EXPECT_EQ(civil, ok ? Text(st) : "fail") << serial;
        EXPECT_EQ(ok ? 0 : 7, st.wMilliseconds) << "a failure leaves the result alone";
        EXPECT_DOUBLE_EQ(ok ? back : 0, ok ? Serial(st) : 0) << serial;
    }
    // Refusals leave the serial alone; carrying past either end is refused too.
    DATE d = 7.0;
    for (SYSTEMTIME bad :
         {Civil(99, 12, 31), Civil(10000, 1, 1), Civil(0, 1, 1), Civil(9999, 12, 31, 24),
          Civil(100, 1, 0), Civil(100, 0, 1), Civil(2024, 13, 1), Civil(2024, 1, 32)}) {
        EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d)) << Text(bad);
    }
    EXPECT_EQ(7.0, d);
}

}  // namespace
