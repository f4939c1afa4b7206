#pragma once

#include <string>
#include <vector>

#include "module/tariff/catalog_entry.h"

// The tariff catalog file, an SQLite database:
//
//   catalog_info(key TEXT PRIMARY KEY, value TEXT)
//       "format" = "1"
//   tariff_code(tariff_type, code, valid_from, valid_to, text, unit_mt,
//               unit_tt, max_per_session, sex, min_age, max_age, dignity,
//               token, side_required, exclusive, laws)
//       one row per version of a code, primary key (tariff_type, code,
//       valid_from), without rowid so that the rows of a code lie together;
//       the fields in their CSV text form (decimals as exact texts, lists
//       joined by '|', sex M or F), NULL where the CSV field is empty,
//       side_required 0 or 1, min_age and max_age integers.

namespace tariff {

constexpr const char* kCatalogFormat = "1";

// Writes `entries` as a catalog file at `path`. The file is written beside
// `path` under a temporary name and then renamed over it, so that a reader
// sees the old catalog or the new one, never a part. Returns "" or the
// reason (nothing is left behind on failure).
std::string WriteCatalogFile(const std::vector<CatalogEntry>& entries, const std::string& path);

}  // namespace tariff
