#pragma once

#include <string>

#include "module/checks/check_result.h"

// Checks of dates and timestamps. Dates are OLE automation dates: a double
// counting days since 1899-12-30 with the time of day as the fraction
// (0.0 = 1899-12-30 00:00, 2.0 = 1900-01-01, 45352.0 = 2024-03-01). The
// module's setters receive them as `DATE`, and 0 means "no date".

namespace checks {

// The OLE date serial of midnight of the given civil day.
// REQUIRES: 1 <= month <= 12, 1 <= day <= 31.
double DateSerial(int year, int month, int day);

// "YYYY-MM-DD" of the day that `serial` falls on (negative serials count the
// fraction forward from midnight, as OLE does). Values outside the years 100
// to 9999 give "(out of range)".
std::string DateText(double serial);

// Limits of dates: OLE's own (years 100 to 9999) and the plausible span of
// dates on a medical invoice (birth dates included): 1900-01-01 to 2099-12-31.
constexpr double kMinOleDate = -657434.0;  // 0100-01-01
constexpr double kMaxOleDate = 2958466.0;  // 10000-01-01, exclusive
double EarliestPlausibleDate();            // 1900-01-01
double LatestPlausibleDate();              // 2099-12-31

// A required date: not 0, finite, and within the plausible span.
CheckResult CheckDate(double serial);

// An optional date: 0 (none), or a date that passes CheckDate.
CheckResult CheckOptionalDate(double serial);

// A required date within [earliest, latest], both OLE serials; the day
// counts, not the time (a date on the day of `latest` passes).
CheckResult CheckDateBetween(double serial, double earliest, double latest);

// The same calendar day `years` later (29 February becomes 28 February in a
// year without it), as an OLE serial of midnight. REQUIRES: the serial lies
// within the OLE range.
double YearsLater(double serial, int years);

// The day an OLE serial falls on (its time of day dropped), as a serial.
double DayOf(double serial);

// `end` is not before `begin` (by day). Either being 0 passes: the missing
// date is checked on its own.
CheckResult CheckDateOrder(double begin, double end);

// Unix timestamp of a request (credit, invoice, reminder): the schema's range
// 1420066800 to 1924902000 (2015-01-01 00:00 to 2030-12-31 00:00 Swiss time).
constexpr long long kMinRequestTimestamp = 1420066800;
constexpr long long kMaxRequestTimestamp = 1924902000;
CheckResult CheckRequestTimestamp(long long seconds);

}  // namespace checks
