#pragma once

#include <cstdint>

#include "platform/com.h"

// Conversions between the OLE automation date (DATE: days since 1899-12-30,
// the time of day as the fraction) and civil date and time, with the
// behaviour of the Windows functions of the same names.
//
// Range: 100-01-01 00:00:00 (serial -657434) to 9999-12-31 23:59:59
// (serial 2958465.99998842...). Years outside 100..9999 are a failure.
//
// Negative serials: the integer part counts days backward from 1899-12-30,
// while the fraction counts forward from midnight of that day. So -1.25 is
// 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00 (the same civil day as 0.5).
// There is no 1900-02-29: serial 60 is 1900-02-28, 61 is 1900-03-01.

// A civil date and time, field for field as the Windows structure.
// wDayOfWeek: 0 Sunday to 6 Saturday.
struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

// Fills *st from the serial `vtime`. The time is rounded to the nearest
// second (a half second rounds up); wMilliseconds is always 0 and
// wDayOfWeek is set. Rounding may carry into the next day (0.99999999 is
// 1899-12-31 00:00:00).
// Returns false, leaving *st unchanged, when st is null, vtime is NaN, the
// day lies outside the range (serial <= -657435 or >= 2958466) or rounding
// carries past 9999-12-31 23:59:59.
bool VariantTimeToSystemTime(DATE vtime, SYSTEMTIME* st);

// Stores in *vtime the serial of *st. wMilliseconds and wDayOfWeek are
// ignored. Field handling:
//  - wMonth above 12 or wDay above 31: failure.
//  - wMonth 0 is December of the year before.
//  - wDay counts from the first of the month: day 0 is the last day of the
//    month before, day 31 of a 30-day month is the first of the next month
//    (and 1900-02-29 is 1900-03-01).
//  - hours, minutes and seconds beyond their range carry forward (24:00:00
//    is midnight of the next day).
//  - The result must lie in the range above, and wYear itself must be in
//    100..9999; otherwise failure.
// Returns false, leaving *vtime unchanged, on failure or when an argument is
// null.
bool SystemTimeToVariantTime(const SYSTEMTIME* st, DATE* vtime);

namespace platform {

constexpr DATE kMinOleDate = -657434.0;  // 100-01-01
constexpr DATE kMaxOleDate = 2958465.0;  // 9999-12-31 (day part)

// Gregorian leap year rule (1900 and 2100 are not leap years, 2000 is).
bool IsLeapYear(int year);

// Days of `month` (1..12) in `year`; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// 0 for Sunday to 6 for Saturday, for any valid Gregorian date
// (proleptic before 1582).
int DayOfWeek(int year, int month, int day);

}  // namespace platform
