#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/tariff/catalog_entry.h"

namespace tariff {

// The header of a catalog CSV, field for field in this order.
extern const char kCatalogCsvHeader[];

// Reads a tariff catalog in CSV: UTF-8 (a byte order mark is skipped), the
// header kCatalogCsvHeader on line 1, then one code version per line with
// LF or CRLF endings; blank lines are skipped. Fields are separated by
// commas; a field in double quotes may hold commas and doubled quotes (no
// line breaks).
//
// Field rules: tariff_type three digits or capitals; code 1 to 30
// characters without '|'; valid_from and valid_to days YYYY-MM-DD (valid_to
// may be empty, else not before valid_from); text 1 to 350 characters;
// unit_mt and unit_tt tax points, numbers of 0 or more; max_per_session
// empty or a number above 0; sex empty, M or F; min_age and max_age empty or
// whole years 0 to 150, min_age not above max_age; dignity empty or 1 to 35
// characters; token empty or NAME or NAME=VALUE (NAME 1 to 100 characters,
// VALUE up to 700); side_required 0 or 1; exclusive empty or codes of the
// same tariff type in the file, separated by '|'; laws empty or names of
// KVG, UVG, IVG, MVG, VVG and ORG separated by '|'. Two versions of one code
// may not overlap.
//
// Fills *entries in line order and returns "" when the whole text is good;
// otherwise returns "line N: reason" for the first malformed line (N counted
// from 1, the header included) and the content of *entries is unspecified.
std::string ParseCatalogCsv(std::string_view text, std::vector<CatalogEntry>* entries);

}  // namespace tariff
