#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace tariff {

// Owning handles of SQLite objects, closed or finalized when they go.
struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct SqliteFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

// Opens `path` with `flags` (SQLITE_OPEN_...). Null on failure, with the
// reason in *error.
SqliteDb OpenSqlite(const std::string& path, int flags, std::string* error);

// Compiles `sql` on `db`. Null on failure, with the reason in *error.
SqliteStatement Prepare(sqlite3* db, const char* sql, std::string* error);

// Runs `sql` (one or more statements without results). False on failure,
// with the reason in *error.
bool Execute(sqlite3* db, const char* sql, std::string* error);

// Column `column` of the current row as text ("" for NULL).
std::string ColumnText(sqlite3_stmt* statement, int column);

// Binds `text` to parameter `index` (1-based); an empty text binds NULL
// when `emptyIsNull`.
void BindText(sqlite3_stmt* statement, int index, const std::string& text,
              bool emptyIsNull = false);

}  // namespace tariff
