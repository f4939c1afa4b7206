#include "platform/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SYSTEMTIME Civil(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(y);
    st.wMonth = static_cast<uint16_t>(mo);
    st.wDay = static_cast<uint16_t>(d);
    st.wHour = static_cast<uint16_t>(h);
    st.wMinute = static_cast<uint16_t>(mi);
    st.wSecond = static_cast<uint16_t>(s);
    st.wMilliseconds = static_cast<uint16_t>(ms);
    return st;
}

// The serial of a civil time, or NaN on failure.
DATE Serial(SYSTEMTIME st) {
    DATE d = 0;
    return SystemTimeToVariantTime(&st, &d) ? d : kNaN;
}

// Whole days both ways: OleDate.EveryDayOfTheRangeFollowsTheCalendar.
TEST(VariantTimeToSystemTime, SerialsToCivilTimes) {
    const std::pair<double, const char*> cases[] = {
        {2.5, "1900-01-01 12:00:00"},
        {45352.0 + 14.5 / 24, "2024-03-01 14:30:00"},
        // Before the epoch the fraction counts forward from midnight.
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {-2.75, "1899-12-28 18:00:00"},
        // To the nearest second, carrying into the next day for either sign.
        {0.6 / 86400, "1899-12-30 00:00:01"},
        {0.4 / 86400, "1899-12-30 00:00:00"},
        {(36000 - 0.3) / 86400, "1899-12-30 10:00:00"},
        {0.99999999, "1899-12-31 00:00:00"},
        {-1.99999999, "1899-12-30 00:00:00"},
        {-657434.99999, "0100-01-01 23:59:59"},
        {2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59"},
        {-657435.0, "fail"},
        {-657435.99999999, "fail"},  // the day before the first, though it rounds into it
        {2958466.0, "fail"},
        {2958465.99999999, "fail"},  // rounds past the last second of 9999
        {1e300, "fail"},
        {kNaN, "fail"},
        {std::numeric_limits<double>::infinity(), "fail"},
    };
    for (const auto& [serial, expected] : cases) {
        SYSTEMTIME st = Civil(2001, 2, 3, 4, 5, 6, 7);
        char text[64] = "fail";
        if (VariantTimeToSystemTime(serial, &st)) {
            snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth,
                     st.wDay, st.wHour, st.wMinute, st.wSecond);
            EXPECT_EQ(0, st.wMilliseconds) << serial;
        } else {
            EXPECT_EQ(6, st.wSecond) << "a failure leaves the result alone";
        }
        EXPECT_STREQ(expected, text) << serial;
    }
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(-1.5, &st));
    EXPECT_EQ(5, st.wDayOfWeek);  // 1899-12-29, a Friday
    EXPECT_FALSE(VariantTimeToSystemTime(1.0, nullptr));
}

TEST(SystemTimeToVariantTime, CivilTimesToSerials) {
    const std::pair<SYSTEMTIME, double> cases[] = {
        {Civil(1900, 1, 1, 12), 2.5},
        {Civil(1899, 12, 29, 6), -1.25},  // the time counts forward before the epoch
        {Civil(1899, 12, 30, 12), 0.5},
        {Civil(2024, 3, 1, 10, 0, 0, 999), 45352.0 + 10.0 / 24},  // milliseconds ignored
        {Civil(9999, 12, 31, 23, 59, 59), 2958465.0 + 86399.0 / 86400},
        // Fields past their end carry over.
        {Civil(2100, 2, 29), Serial(Civil(2100, 3, 1))},
        {Civil(1900, 2, 29), 61.0},  // 1900-03-01: no 1900-02-29
        {Civil(2024, 4, 31), Serial(Civil(2024, 5, 1))},
        {Civil(2024, 3, 0), Serial(Civil(2024, 2, 29))},
        {Civil(2024, 1, 0), Serial(Civil(2023, 12, 31))},
        {Civil(2024, 0, 5), Serial(Civil(2023, 12, 5))},
        {Civil(2024, 3, 1, 24), Serial(Civil(2024, 3, 2))},
        {Civil(2024, 3, 1, 0, 60, 60), Serial(Civil(2024, 3, 1, 1, 1, 0))},
    };
    for (const auto& [civil, serial] : cases) EXPECT_DOUBLE_EQ(serial, Serial(civil)) << serial;
    // Refusals leave the serial alone; carrying past either end is refused too.
    DATE d = 7.0;
    for (SYSTEMTIME bad :
         {Civil(99, 12, 31), Civil(10000, 1, 1), Civil(0, 1, 1), Civil(9999, 12, 31, 24),
          Civil(100, 1, 0), Civil(100, 0, 1), Civil(2024, 13, 1), Civil(2024, 1, 32)}) {
        EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d)) << bad.wYear << "-" << bad.wMonth;
    }
    EXPECT_EQ(7.0, d);
    SYSTEMTIME good = Civil(2024, 1, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(nullptr, &d) || SystemTimeToVariantTime(&good, nullptr));
}

// Walks every day from 100-01-01 to 9999-12-31 with a hand-counted calendar
// and checks both directions against it.
TEST(OleDate, EveryDayOfTheRangeFollowsTheCalendar) {
    int y = 100, m = 1, d = 1, weekday = platform::DayOfWeek(100, 1, 1);
    for (int64_t serial = -657434; serial <= 2958465; ++serial) {
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(static_cast<double>(serial), &st)) << serial;
        ASSERT_EQ(y, st.wYear) << serial;
        ASSERT_EQ(m, st.wMonth) << serial;
        ASSERT_EQ(d, st.wDay) << serial;
        ASSERT_EQ(weekday, st.wDayOfWeek) << serial;
        DATE back = -1e9;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
        ASSERT_EQ(static_cast<double>(serial), back);
        weekday = (weekday + 1) % 7;
        if (++d > platform::DaysInMonth(y, m)) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
    EXPECT_EQ(10000, y);
}

}  // namespace
