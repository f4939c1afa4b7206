#include "module/checks/check_dates.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace checks {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
constexpr long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The civil date of a day count since 1970-01-01.
void CivilFromDays(long long days, long long* year, int* month, int* day) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long dayOfEra = days - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long monthIndex = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

constexpr long long kOleEpochDays = DaysFromCivil(1899, 12, 30);

bool InOleRange(double serial) {
    return std::isfinite(serial) && DayOf(serial) >= kMinOleDate && DayOf(serial) < kMaxOleDate;
}

}  // namespace

// The fraction of a negative serial counts forward from midnight, so the day
// is the serial truncated towards zero.
double DayOf(double serial) {
    return std::trunc(serial);
}

double YearsLater(double serial, int years) {
    long long year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(static_cast<long long>(DayOf(serial)) + kOleEpochDays, &year, &month, &day);
    year += years;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) day = 28;
    return static_cast<double>(DaysFromCivil(year, month, day) - kOleEpochDays);
}

double DateSerial(int year, int month, int day) {
    assert(month >= 1 && month <= 12 && day >= 1 && day <= 31);
    return static_cast<double>(DaysFromCivil(year, month, day) - kOleEpochDays);
}

std::string DateText(double serial) {
    if (!InOleRange(serial)) return "(out of range)";
    long long year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(static_cast<long long>(DayOf(serial)) + kOleEpochDays, &year, &month, &day);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", year, month, day);
    return buffer;
}

double EarliestPlausibleDate() {
    return DateSerial(1900, 1, 1);
}

double LatestPlausibleDate() {
    return DateSerial(2099, 12, 31);
}

CheckResult CheckDate(double serial) {
    return CheckDateBetween(serial, EarliestPlausibleDate(), LatestPlausibleDate());
}

CheckResult CheckOptionalDate(double serial) {
    if (serial == 0) return Passed();
    return CheckDate(serial);
}

CheckResult CheckDateBetween(double serial, double earliest, double latest) {
    if (serial == 0) return Failed("a date is required but none is given");
    if (!std::isfinite(serial)) return Failed("the date is not a finite number");
    double day = DayOf(serial);
    if (day < DayOf(earliest) || day > DayOf(latest)) {
        return Failed("the date " + DateText(serial) + " is outside " + DateText(earliest) +
                      " to " + DateText(latest));
    }
    return Passed();
}

CheckResult CheckDateOrder(double begin, double end) {
    if (begin == 0 || end == 0) return Passed();
    if (DayOf(end) < DayOf(begin)) {
        return Failed("the end date " + DateText(end) + " is before the begin date " +
                      DateText(begin));
    }
    return Passed();
}

CheckResult CheckRequestTimestamp(long long seconds) {
    if (seconds < kMinRequestTimestamp || seconds > kMaxRequestTimestamp) {
        return Failed("the timestamp " + std::to_string(seconds) + " is outside " +
                      std::to_string(kMinRequestTimestamp) + " to " +
                      std::to_string(kMaxRequestTimestamp) + " (2015-01-01 to 2030-12-31)");
    }
    return Passed();
}

}  // namespace checks
