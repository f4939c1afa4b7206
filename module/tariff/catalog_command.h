#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tariff {

// The "catalog" command of invoicetool; `args` are the words after it:
//
//   import CSV DB   reads the CSV and writes the catalog file DB
//   show DB CODE    prints every version of CODE (any tariff type) in DB
//
// Results go to `out`, failures to `err`. Returns the exit code: 0 done,
// 1 a file is malformed, cannot be read or written, or the code is unknown,
// 2 wrong usage.
int RunCatalogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of the command, for invoicetool's usage text.
extern const char kCatalogUsage[];

}  // namespace tariff
