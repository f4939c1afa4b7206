#include "platform/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace {

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

// "YYYY-MM-DD hh:mm:ss" of a serial, or "fail".
std::string Text(DATE serial) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(serial, &st)) return "fail";
    char buf[64];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay,
             st.wHour, st.wMinute, st.wSecond);
    return buf;
}

// The serial of a civil time, or NaN on failure.
DATE Serial(SYSTEMTIME st) {
    DATE d = 0;
    if (!SystemTimeToVariantTime(&st, &d)) return std::numeric_limits<double>::quiet_NaN();
    return d;
}

TEST(VariantTimeToSystemTime, SerialsAroundTheEpoch) {
    EXPECT_EQ("1899-12-30 00:00:00", Text(0.0));
    EXPECT_EQ("1899-12-31 00:00:00", Text(1.0));
    EXPECT_EQ("1900-01-01 12:00:00", Text(2.5));
    EXPECT_EQ("1899-12-29 00:00:00", Text(-1.0));
    EXPECT_EQ("2024-03-01 00:00:00", Text(45352.0));
    EXPECT_EQ("2024-03-01 14:30:00", Text(45352.0 + 14.5 / 24));
}

TEST(VariantTimeToSystemTime, NegativeFractionCountsForwardFromMidnight) {
    EXPECT_EQ("1899-12-29 12:00:00", Text(-1.5));
    EXPECT_EQ("1899-12-29 06:00:00", Text(-1.25));
    EXPECT_EQ("1899-12-30 12:00:00", Text(-0.5));
    EXPECT_EQ("1899-12-28 18:00:00", Text(-2.75));
}

TEST(VariantTimeToSystemTime, NoLeapDayIn1900) {
    EXPECT_EQ("1900-02-28 00:00:00", Text(60.0));
    EXPECT_EQ("1900-03-01 00:00:00", Text(61.0));
    EXPECT_EQ("2000-02-29 00:00:00", Text(36585.0));
    EXPECT_EQ("2000-03-01 00:00:00", Text(36586.0));
}

TEST(VariantTimeToSystemTime, RoundsToTheNearestSecond) {
    EXPECT_EQ("1899-12-30 00:00:01", Text(0.6 / 86400));
    EXPECT_EQ("1899-12-30 00:00:00", Text(0.4 / 86400));
    EXPECT_EQ("1899-12-30 10:00:00", Text((36000 - 0.3) / 86400));
    // Rounding carries into the next civil day, for either sign.
    EXPECT_EQ("1899-12-31 00:00:00", Text(0.99999999));
    EXPECT_EQ("1899-12-30 00:00:00", Text(-1.99999999));
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(45352.0 + 0.7 / 86400, &st));
    EXPECT_EQ(0, st.wMilliseconds);
    EXPECT_EQ(1, st.wSecond);
}

TEST(VariantTimeToSystemTime, SetsTheDayOfTheWeek) {
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(0.0, &st));
    EXPECT_EQ(6, st.wDayOfWeek);  // 1899-12-30, a Saturday
    ASSERT_TRUE(VariantTimeToSystemTime(2.0, &st));
    EXPECT_EQ(1, st.wDayOfWeek);  // 1900-01-01, a Monday
    ASSERT_TRUE(VariantTimeToSystemTime(45352.75, &st));
    EXPECT_EQ(5, st.wDayOfWeek);  // 2024-03-01, a Friday
    ASSERT_TRUE(VariantTimeToSystemTime(-1.5, &st));
    EXPECT_EQ(5, st.wDayOfWeek);  // 1899-12-29, a Friday
}

TEST(VariantTimeToSystemTime, RangeLimits) {
    EXPECT_EQ("0100-01-01 00:00:00", Text(-657434.0));
    EXPECT_EQ("0100-01-01 23:59:59", Text(-657434.99999));
    EXPECT_EQ("9999-12-31 00:00:00", Text(2958465.0));
    EXPECT_EQ("9999-12-31 23:59:59", Text(2958465.0 + 86399.0 / 86400));
}

// ---- failures

TEST(VariantTimeToSystemTime, OutOfRangeFails) {
    EXPECT_EQ("fail", Text(-657435.0));
    EXPECT_EQ("fail", Text(2958466.0));
    EXPECT_EQ("fail", Text(1e300));
    EXPECT_EQ("fail", Text(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ("fail", Text(std::numeric_limits<double>::infinity()));
    // Rounding up past the last second of 9999.
    EXPECT_EQ("fail", Text(2958465.99999999));
}

TEST(VariantTimeToSystemTime, FailureLeavesTheResultUnchanged) {
    SYSTEMTIME st = Civil(2001, 2, 3, 4, 5, 6);
    EXPECT_FALSE(VariantTimeToSystemTime(3e6, &st));
    EXPECT_EQ(2001, st.wYear);
    EXPECT_EQ(6, st.wSecond);
    EXPECT_FALSE(VariantTimeToSystemTime(1.0, nullptr));
}

// ---- SystemTimeToVariantTime

TEST(SystemTimeToVariantTime, KnownDates) {
    EXPECT_DOUBLE_EQ(0.0, Serial(Civil(1899, 12, 30)));
    EXPECT_DOUBLE_EQ(1.0, Serial(Civil(1899, 12, 31)));
    EXPECT_DOUBLE_EQ(2.5, Serial(Civil(1900, 1, 1, 12)));
    EXPECT_DOUBLE_EQ(45352.0, Serial(Civil(2024, 3, 1)));
    EXPECT_DOUBLE_EQ(60.0, Serial(Civil(1900, 2, 28)));
    EXPECT_DOUBLE_EQ(61.0, Serial(Civil(1900, 3, 1)));
}

TEST(SystemTimeToVariantTime, BeforeTheEpochTheTimeCountsForward) {
    EXPECT_DOUBLE_EQ(-1.0, Serial(Civil(1899, 12, 29)));
    EXPECT_DOUBLE_EQ(-1.5, Serial(Civil(1899, 12, 29, 12)));
    EXPECT_DOUBLE_EQ(-1.25, Serial(Civil(1899, 12, 29, 6)));
    // The epoch day's afternoon is positive.
    EXPECT_DOUBLE_EQ(0.5, Serial(Civil(1899, 12, 30, 12)));
}

TEST(SystemTimeToVariantTime, RangeLimits) {
    EXPECT_DOUBLE_EQ(-657434.0, Serial(Civil(100, 1, 1)));
    EXPECT_DOUBLE_EQ(2958465.0 + 86399.0 / 86400, Serial(Civil(9999, 12, 31, 23, 59, 59)));
    EXPECT_TRUE(std::isnan(Serial(Civil(99, 12, 31))));
    EXPECT_TRUE(std::isnan(Serial(Civil(10000, 1, 1))));
    EXPECT_TRUE(std::isnan(Serial(Civil(0, 1, 1))));
    // Carrying past either end also fails.
    EXPECT_TRUE(std::isnan(Serial(Civil(9999, 12, 31, 24))));
    EXPECT_TRUE(std::isnan(Serial(Civil(100, 1, 0))));
    EXPECT_TRUE(std::isnan(Serial(Civil(100, 0, 1))));
}

TEST(SystemTimeToVariantTime, LeapYears) {
    EXPECT_DOUBLE_EQ(36585.0, Serial(Civil(2000, 2, 29)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2100, 3, 1)), Serial(Civil(2100, 2, 29)));
    EXPECT_DOUBLE_EQ(Serial(Civil(1900, 3, 1)), Serial(Civil(1900, 2, 29)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2100, 2, 28)) + 1, Serial(Civil(2100, 3, 1)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2000, 2, 28)) + 2, Serial(Civil(2000, 3, 1)));
}

TEST(SystemTimeToVariantTime, IgnoresMillisecondsAndDayOfWeek) {
    SYSTEMTIME st = Civil(2024, 3, 1, 10, 0, 0, 999);
    st.wDayOfWeek = 3;
    EXPECT_DOUBLE_EQ(45352.0 + 10.0 / 24, Serial(st));
}

TEST(SystemTimeToVariantTime, NormalisesFieldsPastTheirEnd) {
    EXPECT_DOUBLE_EQ(Serial(Civil(2024, 5, 1)), Serial(Civil(2024, 4, 31)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2024, 2, 29)), Serial(Civil(2024, 3, 0)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2023, 12, 31)), Serial(Civil(2024, 1, 0)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2023, 12, 5)), Serial(Civil(2024, 0, 5)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2024, 3, 2)), Serial(Civil(2024, 3, 1, 24)));
    EXPECT_DOUBLE_EQ(Serial(Civil(2024, 3, 1, 1, 1, 0)), Serial(Civil(2024, 3, 1, 0, 60, 60)));
}

TEST(SystemTimeToVariantTime, RejectsMonthAbove12AndDayAbove31) {
    EXPECT_TRUE(std::isnan(Serial(Civil(2024, 13, 1))));
    EXPECT_TRUE(std::isnan(Serial(Civil(2024, 1, 32))));
    DATE d = 7.0;
    SYSTEMTIME st = Civil(2024, 13, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &d));
    EXPECT_EQ(7.0, d);
    EXPECT_FALSE(SystemTimeToVariantTime(nullptr, &d));
    EXPECT_FALSE(SystemTimeToVariantTime(&st, nullptr));
}

// ---- the whole range

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

TEST(OleDate, RandomSerialsRoundTripAtSecondResolution) {
    std::mt19937_64 rng(20240301);
    std::uniform_int_distribution<int64_t> days(-657434, 2958465);
    std::uniform_int_distribution<int> seconds(0, 86399);
    for (int i = 0; i < 200000; ++i) {
        const int64_t day = days(rng);
        const int second = seconds(rng);
        const double fraction = second / 86400.0;
        const DATE serial = day < 0 ? day - fraction : day + fraction;
        SYSTEMTIME st{};
        ASSERT_TRUE(VariantTimeToSystemTime(serial, &st)) << serial;
        ASSERT_EQ(second, st.wHour * 3600 + st.wMinute * 60 + st.wSecond) << serial;
        DATE back = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
        ASSERT_EQ(serial, back);
    }
}

TEST(OleDate, CalendarHelpers) {
    EXPECT_FALSE(platform::IsLeapYear(1900));
    EXPECT_TRUE(platform::IsLeapYear(2000));
    EXPECT_FALSE(platform::IsLeapYear(2100));
    EXPECT_TRUE(platform::IsLeapYear(2024));
    EXPECT_EQ(28, platform::DaysInMonth(1900, 2));
    EXPECT_EQ(29, platform::DaysInMonth(2000, 2));
    EXPECT_EQ(30, platform::DaysInMonth(2024, 4));
    EXPECT_EQ(0, platform::DaysInMonth(2024, 13));
    EXPECT_EQ(5, platform::DayOfWeek(2024, 3, 1));
    EXPECT_EQ(0, platform::DayOfWeek(2000, 1, 2));
    EXPECT_EQ(5, platform::DayOfWeek(9999, 12, 31));
}

}  // namespace
