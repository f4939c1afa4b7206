#include "module/tariff/catalog_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "module/tariff/sqlite_db.h"

namespace tariff {

namespace {

const char kSchema[] =
    "CREATE TABLE catalog_info(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE tariff_code("
    " tariff_type TEXT NOT NULL, code TEXT NOT NULL, valid_from TEXT NOT NULL, valid_to TEXT,"
    " text TEXT NOT NULL, unit_mt TEXT NOT NULL, unit_tt TEXT NOT NULL, max_per_session TEXT,"
    " sex TEXT, min_age INTEGER, max_age INTEGER, dignity TEXT, token TEXT,"
    " side_required INTEGER NOT NULL, exclusive TEXT, laws TEXT,"
    " PRIMARY KEY(tariff_type, code, valid_from)) WITHOUT ROWID;";

const char kInsert[] = "INSERT INTO tariff_code VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

void BindAge(sqlite3_stmt* statement, int index, const std::optional<int>& age) {
    if (age) {
        sqlite3_bind_int(statement, index, *age);
    } else {
        sqlite3_bind_null(statement, index);
    }
}

bool InsertEntry(sqlite3_stmt* insert, const CatalogEntry& entry) {
    sqlite3_reset(insert);
    BindText(insert, 1, entry.tariff_type);
    BindText(insert, 2, entry.code);
    BindText(insert, 3, entry.valid_from);
    BindText(insert, 4, entry.valid_to, true);
    BindText(insert, 5, entry.text);
    BindText(insert, 6, entry.unit_mt.ToString());
    BindText(insert, 7, entry.unit_tt.ToString());
    BindText(insert, 8, entry.max_per_session ? entry.max_per_session->ToString() : "", true);
    BindText(insert, 9, SexText(entry.sex), true);
    BindAge(insert, 10, entry.min_age);
    BindAge(insert, 11, entry.max_age);
    BindText(insert, 12, entry.dignity, true);
    BindText(insert, 13, entry.token, true);
    sqlite3_bind_int(insert, 14, entry.side_required ? 1 : 0);
    BindText(insert, 15, JoinList(entry.exclusive), true);
    BindText(insert, 16, LawsText(entry.laws), true);
    return sqlite3_step(insert) == SQLITE_DONE;
}

// Fills the database at `path` (new and empty); "" or the reason.
std::string Fill(const std::string& path, const std::vector<CatalogEntry>& entries) {
    std::string error;
    SqliteDb db = OpenSqlite(path, SQLITE_OPEN_READWRITE, &error);
    if (!db) return error;
    if (!Execute(db.get(), "BEGIN", &error) || !Execute(db.get(), kSchema, &error)) return error;
    std::string info =
        std::string("INSERT INTO catalog_info VALUES('format','") + kCatalogFormat + "')";
    if (!Execute(db.get(), info.c_str(), &error)) return error;
    SqliteStatement insert = Prepare(db.get(), kInsert, &error);
    if (!insert) return error;
    for (const CatalogEntry& entry : entries) {
        if (!InsertEntry(insert.get(), entry)) {
            return entry.tariff_type + " " + entry.code + ": " + sqlite3_errmsg(db.get());
        }
    }
    insert.reset();
    if (!Execute(db.get(), "COMMIT", &error)) return error;
    return std::string();
}

}  // namespace

std::string WriteCatalogFile(const std::vector<CatalogEntry>& entries, const std::string& path) {
    std::string temporary = path + ".tmp-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) return path + ": cannot create a file beside it";
    fchmod(fd, 0644);  // readable by the service, whatever user it runs as
    close(fd);
    std::string error = Fill(temporary, entries);
    if (error.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot be replaced";
    }
    if (!error.empty()) {
        std::remove(temporary.c_str());
        return path + ": " + error;
    }
    return std::string();
}

}  // namespace tariff
