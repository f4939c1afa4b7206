#include "platform/ole_date.h"

#include <cmath>

namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date; month 1..12, day may
// run past the month's end or be 0 (the arithmetic carries it).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int* year, int* month, int* day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

// Day 0 of the OLE date, 1899-12-30, in days since 1970-01-01.
const int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

int DayOfWeekFromSerialDay(int64_t serialDay) {
    // Serial day 0 (1899-12-30) was a Saturday.
    return static_cast<int>(((serialDay + 6) % 7 + 7) % 7);
}

}  // namespace

bool VariantTimeToSystemTime(DATE vtime, SYSTEMTIME* st) {
    if (st == nullptr) return false;
    if (!(vtime > platform::kMinOleDate - 1.0 && vtime < platform::kMaxOleDate + 1.0)) {
        return false;
    }
    // The integer part names the day, the fraction runs forward from its
    // midnight whatever the sign.
    const double dayPart = vtime < 0.0 ? std::ceil(vtime) : std::floor(vtime);
    const double fraction = std::fabs(vtime - dayPart);
    int64_t serialDay = static_cast<int64_t>(dayPart);
    int64_t seconds = static_cast<int64_t>(std::floor(fraction * kSecondsPerDay + 0.5));
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++serialDay;
    }
    if (serialDay > static_cast<int64_t>(platform::kMaxOleDate)) return false;

    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(serialDay + kOleEpoch, &year, &month, &day);
    st->wYear = static_cast<uint16_t>(year);
    st->wMonth = static_cast<uint16_t>(month);
    st->wDay = static_cast<uint16_t>(day);
    st->wDayOfWeek = static_cast<uint16_t>(DayOfWeekFromSerialDay(serialDay));
    st->wHour = static_cast<uint16_t>(seconds / 3600);
    st->wMinute = static_cast<uint16_t>(seconds / 60 % 60);
    st->wSecond = static_cast<uint16_t>(seconds % 60);
    st->wMilliseconds = 0;
    return true;
}

bool SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* vtime) {
    if (st == nullptr || vtime == nullptr) return false;
    if (st->wMonth > 12 || st->wDay > 31) return false;
    if (st->wYear < 100 || st->wYear > 9999) return false;

    int64_t year = st->wYear;
    int64_t month = st->wMonth;
    if (month == 0) {
        month = 12;
        --year;
    }
    const int64_t seconds =
        int64_t{st->wHour} * 3600 + int64_t{st->wMinute} * 60 + int64_t{st->wSecond};
    const int64_t serialDay =
        DaysFromCivil(year, month, st->wDay) - kOleEpoch + seconds / kSecondsPerDay;
    if (serialDay < static_cast<int64_t>(platform::kMinOleDate) ||
        serialDay > static_cast<int64_t>(platform::kMaxOleDate)) {
        return false;
    }
    const double time = static_cast<double>(seconds % kSecondsPerDay) / kSecondsPerDay;
    const double day = static_cast<double>(serialDay);
    *vtime = serialDay < 0 ? day - time : day + time;
    return true;
}

namespace platform {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
    return DayOfWeekFromSerialDay(DaysFromCivil(year, month, day) - kOleEpoch);
}

}  // namespace platform
