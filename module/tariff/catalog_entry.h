#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module/model/decimal.h"
#include "module/model/invoice_enums.h"

namespace tariff {

// One version of one code of a tariff catalog: a line of the import CSV, a
// row of the catalog file. A code may have several versions with periods
// that do not overlap.
struct CatalogEntry {
    std::string tariff_type;  // three digits or capitals, as bstrTariffType
    std::string code;
    std::string valid_from;  // YYYY-MM-DD
    std::string valid_to;    // YYYY-MM-DD, inclusive; empty = open-ended
    std::string text;
    invoice::Decimal unit_mt;  // tax points of the medical part
    invoice::Decimal unit_tt;  // tax points of the technical part
    std::optional<invoice::Decimal> max_per_session;
    std::optional<invoice::SexType> sex;
    std::optional<int> min_age;  // whole years at the service date
    std::optional<int> max_age;
    std::string dignity;  // qualitative dignity the provider must hold
    std::string token;    // token the service input must hold: NAME or NAME=VALUE
    bool side_required = false;
    // Codes of the same tariff type that may not stand in the same session.
    // In a catalog file the list holds the exclusions of either side: when A
    // excludes B, B excludes A.
    std::vector<std::string> exclusive;
    std::vector<invoice::LawType> laws;  // empty = every law

    // True when the day `date` (YYYY-MM-DD) lies in the period.
    bool ValidOn(const std::string& date) const {
        return valid_from <= date && (valid_to.empty() || date <= valid_to);
    }
};

// The text forms shared by the CSV and the catalog file.

// "KVG", "UVG", ... (the law's schema text in capitals).
std::string LawName(invoice::LawType law);

// `text` split at '|'; an empty text gives an empty list.
std::vector<std::string> SplitList(std::string_view text);
std::string JoinList(const std::vector<std::string>& items);

// "KVG|UVG" into laws; false with the reason in *error for an unknown or
// repeated name.
bool ParseLaws(std::string_view text, std::vector<invoice::LawType>* laws, std::string* error);
std::string LawsText(const std::vector<invoice::LawType>& laws);

// "M", "F" or "".
std::string SexText(const std::optional<invoice::SexType>& sex);

// "A to B", "from A" for the period of an entry.
std::string PeriodText(const CatalogEntry& entry);

}  // namespace tariff
