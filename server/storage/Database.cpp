#include "storage/Database.h"

#include <sqlite3.h>

#include "storage/Schema.h"
#include "storage/StorageError.h"

namespace orvendi::server {

namespace {
// Writers wait this long for each other instead of failing at once.
constexpr int kBusyTimeoutMillis = 5000;
} // namespace

Database::Database(const std::filesystem::path& file) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw StorageError("Cannot open the database " + file.string() + ": " + reason);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMillis);
    execute("PRAGMA journal_mode = WAL");
    execute("PRAGMA synchronous = NORMAL");
    execute("PRAGMA foreign_keys = ON");
    std::lock_guard lock(mutex_);
    Schema::migrate(*this);
}

Database::~Database() {
    sqlite3_close(db_);
}

Statement Database::prepare(std::string_view sql) {
    return Statement(db_, sql);
}

void Database::execute(std::string_view sql) {
    Statement statement(db_, sql);
    statement.run();
}

int Database::changes() const {
    return sqlite3_changes(db_);
}

void Database::finishTransaction() {
    execute("COMMIT");
    inTransaction_ = false;
}

} // namespace orvendi::server
