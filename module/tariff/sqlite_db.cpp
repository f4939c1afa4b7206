#include "module/tariff/sqlite_db.h"

namespace tariff {

SqliteDb OpenSqlite(const std::string& path, int flags, std::string* error) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK) {
        *error = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        return nullptr;
    }
    return db;
}

SqliteStatement Prepare(sqlite3* db, const char* sql, std::string* error) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db);
        sqlite3_finalize(raw);
        return nullptr;
    }
    return SqliteStatement(raw);
}

bool Execute(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (text == nullptr) return std::string();
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text, bool emptyIsNull) {
    if (emptyIsNull && text.empty()) {
        sqlite3_bind_null(statement, index);
    } else {
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
}

}  // namespace tariff
