#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_model.h"

// Texts of the printed form made from the model's values.

namespace invoice {

// "03.06.2020"; "" for the interface's "no date" or a serial out of range.
std::string DateText(OleDate date);

// "1234.50": two decimals, no thousands separator (the form's columns).
std::string MoneyText(const Decimal& amount);

// A factor or unit as printed: at least two decimals, more when it has them
// ("1.00", "0.925").
std::string FactorText(const Decimal& value);

// The AHV number as printed: "756.1234.5678.97"; a value that is not 756
// and ten digits is printed as given.
std::string AhvText(std::string_view ssn);

// The UID as printed: "CHE-123.456.789 MWST" ("TVA", "IVA" in French and
// Italian), from "CHE123456789", "CHE-123.456.789" or "CHE-123.456.789 MWST";
// a value that is not CHE and nine digits is printed as given.
std::string UidText(std::string_view uid, Language language);

// The lines of an address as it goes on an envelope: salutation and title,
// name, company department, street, post box, "postcode town" (preceded
// by the country code outside Switzerland). Empty parts are left out.
std::vector<std::string> PostalLines(const Address& address);

// "Bahnhofstrasse 12, 8001 Zürich": street and place on one line.
std::string StreetAndPlace(const Address& address);

}  // namespace invoice
