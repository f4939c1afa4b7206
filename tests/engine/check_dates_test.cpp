#include "module/checks/check_dates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace checks {
namespace {

using ::testing::HasSubstr;

TEST(DateSerialTest, KnownSerials) {
    EXPECT_EQ(0.0, DateSerial(1899, 12, 30));
    EXPECT_EQ(2.0, DateSerial(1900, 1, 1));
    EXPECT_EQ(60.0, DateSerial(1900, 2, 28));
    EXPECT_EQ(61.0, DateSerial(1900, 3, 1));  // no 1900-02-29 in OLE dates
    EXPECT_EQ(45352.0, DateSerial(2024, 3, 1));
    EXPECT_EQ(kMinOleDate, DateSerial(100, 1, 1));
    EXPECT_EQ(kMaxOleDate, DateSerial(10000, 1, 1));
    EXPECT_EQ(-1.0, DateSerial(1899, 12, 29));
}

TEST(DateTextTest, DayOfASerial) {
    EXPECT_EQ("2024-03-01", DateText(45352.0));
    EXPECT_EQ("2024-03-01", DateText(45352.99));
    EXPECT_EQ("2024-02-29", DateText(45351.0));
    EXPECT_EQ("1899-12-30", DateText(0.0));
    // Negative serials: the fraction counts forward from midnight.
    EXPECT_EQ("1899-12-29", DateText(-1.25));
    EXPECT_EQ("1899-12-30", DateText(-0.5));
    EXPECT_EQ("0100-01-01", DateText(kMinOleDate));
    EXPECT_EQ("9999-12-31", DateText(kMaxOleDate - 0.5));
    EXPECT_EQ("(out of range)", DateText(kMaxOleDate));
    EXPECT_EQ("(out of range)", DateText(kMinOleDate - 1));
    EXPECT_EQ("(out of range)", DateText(std::numeric_limits<double>::quiet_NaN()));
}

TEST(DateTextTest, RoundTripsEveryDayOfSomeYears) {
    for (int year : {1900, 1999, 2000, 2024, 2100}) {
        double first = DateSerial(year, 1, 1);
        double next = DateSerial(year + 1, 1, 1);
        for (double day = first; day < next; ++day) {
            std::string text = DateText(day);
            int y = std::stoi(text.substr(0, 4));
            int m = std::stoi(text.substr(5, 2));
            int d = std::stoi(text.substr(8, 2));
            ASSERT_EQ(day, DateSerial(y, m, d)) << text;
        }
    }
}

TEST(CheckDateTest, RequiredDateInPlausibleSpan) {
    EXPECT_TRUE(CheckDate(45352.0).ok);
    EXPECT_TRUE(CheckDate(EarliestPlausibleDate()).ok);
    EXPECT_TRUE(CheckDate(LatestPlausibleDate() + 0.75).ok);
    EXPECT_EQ("a date is required but none is given", CheckDate(0).rule);
    EXPECT_EQ("the date 1899-12-31 is outside 1900-01-01 to 2099-12-31", CheckDate(1).rule);
    EXPECT_FALSE(CheckDate(LatestPlausibleDate() + 1).ok);
    EXPECT_FALSE(CheckDate(-5000).ok);
    EXPECT_EQ("the date is not a finite number",
              CheckDate(std::numeric_limits<double>::infinity()).rule);
    EXPECT_FALSE(CheckDate(std::numeric_limits<double>::quiet_NaN()).ok);
}

TEST(CheckDateTest, OptionalDateMayBeZero) {
    EXPECT_TRUE(CheckOptionalDate(0).ok);
    EXPECT_TRUE(CheckOptionalDate(45352.0).ok);
    EXPECT_FALSE(CheckOptionalDate(1e7).ok);
}

TEST(CheckDateTest, BetweenComparesDays) {
    double first = DateSerial(2024, 1, 1);
    double last = DateSerial(2024, 12, 31);
    EXPECT_TRUE(CheckDateBetween(last + 0.9, first, last).ok);
    EXPECT_TRUE(CheckDateBetween(first, first + 0.5, last).ok);
    EXPECT_THAT(CheckDateBetween(last + 1, first, last).rule,
                HasSubstr("2025-01-01 is outside 2024-01-01 to 2024-12-31"));
}

TEST(CheckDateTest, EndNotBeforeBegin) {
    double begin = DateSerial(2024, 2, 1);
    EXPECT_TRUE(CheckDateOrder(begin, begin).ok);
    EXPECT_TRUE(CheckDateOrder(begin + 0.5, begin).ok);  // same day
    EXPECT_TRUE(CheckDateOrder(begin, begin + 30).ok);
    EXPECT_TRUE(CheckDateOrder(0, begin).ok);
    EXPECT_TRUE(CheckDateOrder(begin, 0).ok);
    EXPECT_EQ("the end date 2024-01-31 is before the begin date 2024-02-01",
              CheckDateOrder(begin, begin - 1).rule);
}

TEST(RequestTimestampTest, SchemaRange) {
    EXPECT_TRUE(CheckRequestTimestamp(1591170775).ok);  // sample invoice of 2020-06-03
    EXPECT_TRUE(CheckRequestTimestamp(kMinRequestTimestamp).ok);
    EXPECT_TRUE(CheckRequestTimestamp(kMaxRequestTimestamp).ok);
    EXPECT_FALSE(CheckRequestTimestamp(kMinRequestTimestamp - 1).ok);
    EXPECT_FALSE(CheckRequestTimestamp(kMaxRequestTimestamp + 1).ok);
    EXPECT_THAT(CheckRequestTimestamp(0).rule, HasSubstr("the timestamp 0 is outside"));
}

}  // namespace
}  // namespace checks
