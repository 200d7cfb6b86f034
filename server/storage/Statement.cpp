#include "storage/Statement.h"

#include <sqlite3.h>

#include "storage/StorageError.h"

namespace orvendi::server {

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
    check(sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr),
          "prepare");
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

void Statement::check(int result, const char* what) const {
    if (result != SQLITE_OK) {
        throw StorageError(std::string("Database ") + what + " failed: " + sqlite3_errmsg(db_));
    }
}

Statement& Statement::bindInteger(int index, int64_t value) {
    check(sqlite3_bind_int64(statement_, index, value), "bind");
    return *this;
}

Statement& Statement::bindReal(int index, double value) {
    check(sqlite3_bind_double(statement_, index, value), "bind");
    return *this;
}

Statement& Statement::bindText(int index, std::string_view value) {
    check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8),
          "bind");
    return *this;
}

Statement& Statement::bindOptionalText(int index, const std::optional<std::string>& value) {
    return value ? bindText(index, *value) : bindNull(index);
}

Statement& Statement::bindBlob(int index, const Bytes& value) {
    check(sqlite3_bind_blob64(statement_, index, value.data(), value.size(), SQLITE_TRANSIENT),
          "bind");
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(statement_, index), "bind");
    return *this;
}

bool Statement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    throw StorageError(std::string("Database step failed: ") + sqlite3_errmsg(db_));
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string Statement::text(int column) const {
    const auto* data = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size))
                : std::string();
}

std::optional<std::string> Statement::optionalText(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return text(column);
}

std::optional<int64_t> Statement::optionalInteger(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return integer(column);
}

Bytes Statement::blob(int column) const {
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? Bytes(data, data + size) : Bytes();
}

} // namespace orvendi::server
