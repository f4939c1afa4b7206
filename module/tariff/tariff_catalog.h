#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "module/tariff/catalog_entry.h"
#include "module/tariff/sqlite_db.h"

namespace tariff {

// A catalog file (module/tariff/catalog_file.h) opened read-only.
//
// The file stays open while the object lives; a file replaced by rename
// meanwhile is not seen (CatalogStore opens the new one). Thread-safe: the
// lookups share one prepared statement and their memory under mutex_.
class Catalog {
  public:
    // Opens the catalog at `path`. Null when it cannot be opened or is no
    // catalog of our format, with the reason in *error.
    static std::unique_ptr<Catalog> Open(const std::string& path, std::string* error);

    // True when the catalog holds codes of `tariffType`.
    bool HasTariffType(const std::string& tariffType) const;

    // The versions of `code` of `tariffType`, oldest first (none when the
    // catalog does not know the code); null when the file cannot be read,
    // with SQLite's reason in *error. Answers are remembered: the first
    // lookup of a code reads the file (about 10 us), the next ones do not
    // (the memory is emptied when it holds kRememberedCodes codes).
    std::shared_ptr<const std::vector<CatalogEntry>> Find(const std::string& tariffType,
                                                          const std::string& code,
                                                          std::string* error) const;

    static constexpr size_t kRememberedCodes = 100000;

    // The tariff types (sorted) and the number of rows (code versions).
    const std::vector<std::string>& tariff_types() const { return tariffTypes_; }
    long rows() const { return rows_; }

  private:
    Catalog() = default;

    mutable std::mutex mutex_;  // guards the statement and remembered_
    SqliteDb db_;
    SqliteStatement versions_;
    // Answers of Find by tariff type and code, joined by a line feed.
    mutable std::unordered_map<std::string, std::shared_ptr<const std::vector<CatalogEntry>>>
        remembered_;
    std::vector<std::string> tariffTypes_;
    long rows_ = 0;
};

}  // namespace tariff
