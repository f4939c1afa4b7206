#include "module/checks/vat_rates.h"

#include <string>

#include "module/checks/check_dates.h"

namespace checks {

const VatRatePeriod& VatRatesOn(double date) {
    const VatRatePeriod* found = &kSwissVatRates[0];
    for (const VatRatePeriod& period : kSwissVatRates) {
        if (period.first_year == 0) continue;
        double first = DateSerial(period.first_year, period.first_month, period.first_day);
        if (DayOf(date) >= first) found = &period;
    }
    return *found;
}

CheckResult CheckVatRate(const invoice::Decimal& rate, double date) {
    if (rate.IsZero()) return Passed();
    const VatRatePeriod& period = VatRatesOn(date);
    std::string allowed = "0";
    for (size_t i = 0; i < 3; ++i) {
        invoice::Decimal value;
        invoice::Decimal::Parse(period.rates[i], &value);
        if (value == rate) return Passed();
        allowed += (i == 2 ? " or " : ", ") + std::string(period.rates[i]);
    }
    return Failed("is not a Swiss VAT rate on " + DateText(date) + " (" + allowed + ")");
}

}  // namespace checks
