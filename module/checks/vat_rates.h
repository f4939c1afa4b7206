#pragma once

#include "module/checks/check_result.h"
#include "module/model/decimal.h"

// The Swiss value added tax rates as data: which rates a service may carry
// on the day it was given. The rate 0 is allowed on every day (services free
// of VAT); the others are the reduced, the special (lodging) and the
// standard rate of the period the day falls in.
namespace checks {

struct VatRatePeriod {
    int first_year;  // the period starts on first_year-first_month-first_day;
    int first_month;
    int first_day;         // 0-0-0 for the first period (since ever)
    const char* rates[3];  // percent: reduced, special, standard
};

// The periods in date order; each lasts until the next one starts.
constexpr VatRatePeriod kSwissVatRates[] = {
    {0, 0, 0, {"2.4", "3.6", "7.6"}},     // until 2010-12-31
    {2011, 1, 1, {"2.5", "3.8", "8.0"}},  // 2011-01-01 to 2017-12-31
    {2018, 1, 1, {"2.5", "3.7", "7.7"}},  // 2018-01-01 to 2023-12-31
    {2024, 1, 1, {"2.6", "3.8", "8.1"}},  // from 2024-01-01
};

// The period the day of `date` (an OLE serial) falls in.
const VatRatePeriod& VatRatesOn(double date);

// `rate` (percent) is 0 or one of the rates of the day of `date`. The rule
// names the day and the rates allowed: "is not a Swiss VAT rate on
// 2020-06-03 (0, 2.5, 3.7 or 7.7)".
CheckResult CheckVatRate(const invoice::Decimal& rate, double date);

}  // namespace checks
