#include "module/tariff/tariff_catalog.h"

#include <algorithm>
#include <cstdio>

#include "module/tariff/catalog_file.h"

namespace tariff {

namespace {

const char kSelectVersions[] =
    "SELECT tariff_type, code, valid_from, valid_to, text, unit_mt, unit_tt, max_per_session, sex,"
    " min_age, max_age, dignity, token, side_required, exclusive, laws"
    " FROM tariff_code WHERE tariff_type = ?1 AND code = ?2 ORDER BY valid_from";

std::optional<int> ColumnAge(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int(statement, column);
}

invoice::Decimal ColumnDecimal(sqlite3_stmt* statement, int column) {
    invoice::Decimal value = invoice::Decimal::Invalid();
    invoice::Decimal::Parse(ColumnText(statement, column), &value);
    return value;
}

CatalogEntry ReadRow(sqlite3_stmt* row) {
    CatalogEntry entry;
    entry.tariff_type = ColumnText(row, 0);
    entry.code = ColumnText(row, 1);
    entry.valid_from = ColumnText(row, 2);
    entry.valid_to = ColumnText(row, 3);
    entry.text = ColumnText(row, 4);
    entry.unit_mt = ColumnDecimal(row, 5);
    entry.unit_tt = ColumnDecimal(row, 6);
    if (sqlite3_column_type(row, 7) != SQLITE_NULL) entry.max_per_session = ColumnDecimal(row, 7);
    std::string sex = ColumnText(row, 8);
    if (sex == "M") entry.sex = invoice::SexType::kMale;
    if (sex == "F") entry.sex = invoice::SexType::kFemale;
    entry.min_age = ColumnAge(row, 9);
    entry.max_age = ColumnAge(row, 10);
    entry.dignity = ColumnText(row, 11);
    entry.token = ColumnText(row, 12);
    entry.side_required = sqlite3_column_int(row, 13) != 0;
    entry.exclusive = SplitList(ColumnText(row, 14));
    std::string ignored;
    ParseLaws(ColumnText(row, 15), &entry.laws, &ignored);
    return entry;
}

// The value of `key` in catalog_info, or "" when the table or key is missing.
std::string Info(sqlite3* db, const char* key) {
    std::string error;
    SqliteStatement select = Prepare(db, "SELECT value FROM catalog_info WHERE key = ?1", &error);
    if (!select) return std::string();
    BindText(select.get(), 1, key);
    return sqlite3_step(select.get()) == SQLITE_ROW ? ColumnText(select.get(), 0) : std::string();
}

// The URI of `path` opened as an immutable file.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

std::unique_ptr<Catalog> Catalog::Open(const std::string& path, std::string* error) {
    std::unique_ptr<Catalog> catalog(new Catalog());
    // Immutable: SQLite then takes no file locks and keeps its page cache
    // between queries, where it would otherwise make eight system calls per
    // lookup. CatalogStore reopens the file when it changes.
    catalog->db_ = OpenSqlite(ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, error);
    if (!catalog->db_) return nullptr;
    sqlite3* db = catalog->db_.get();
    if (Info(db, "format") != kCatalogFormat) {
        *error = "not a tariff catalog of format " + std::string(kCatalogFormat);
        return nullptr;
    }
    SqliteStatement types =
        Prepare(db,
                "SELECT tariff_type, count(*) FROM tariff_code GROUP BY tariff_type"
                " ORDER BY tariff_type",
                error);
    if (!types) return nullptr;
    while (sqlite3_step(types.get()) == SQLITE_ROW) {
        catalog->tariffTypes_.push_back(ColumnText(types.get(), 0));
        catalog->rows_ += sqlite3_column_int(types.get(), 1);
    }
    catalog->versions_ = Prepare(db, kSelectVersions, error);
    if (!catalog->versions_) return nullptr;
    return catalog;
}

bool Catalog::HasTariffType(const std::string& tariffType) const {
    return std::binary_search(tariffTypes_.begin(), tariffTypes_.end(), tariffType);
}

std::shared_ptr<const std::vector<CatalogEntry>> Catalog::Find(const std::string& tariffType,
                                                               const std::string& code,
                                                               std::string* error) const {
    std::string key = tariffType + '\n' + code;
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = remembered_.find(key);
    if (found != remembered_.end()) return found->second;
    sqlite3_stmt* select = versions_.get();
    sqlite3_reset(select);
    BindText(select, 1, tariffType);
    BindText(select, 2, code);
    auto versions = std::make_shared<std::vector<CatalogEntry>>();
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(select)) == SQLITE_ROW) versions->push_back(ReadRow(select));
    sqlite3_reset(select);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db_.get());
        return nullptr;
    }
    if (remembered_.size() >= kRememberedCodes) remembered_.clear();
    remembered_.emplace(std::move(key), versions);
    return versions;
}

}  // namespace tariff
