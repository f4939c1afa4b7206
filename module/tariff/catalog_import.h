#pragma once

#include <string>

namespace tariff {

// Reads the catalog CSV at `csvPath` (catalog_csv.h) and writes it as the
// catalog file `dbPath` (catalog_file.h), replacing that file in one step.
// Exclusions are made mutual on the way: when A excludes B in any version,
// every version of A and of B excludes the other.
//
// Returns "" and a summary in *summary ("N code versions of the tariff
// types ..."), or the reason: "CSV: line N: ..." for a malformed line,
// "CSV: cannot be read" or the writer's reason. On failure `dbPath` is left
// as it was.
std::string ImportCatalog(const std::string& csvPath, const std::string& dbPath,
                          std::string* summary);

}  // namespace tariff
