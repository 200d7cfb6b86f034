#include "storage/Database.h"

#include <algorithm>
#include <sqlite3.h>
#include <utility>

#include "storage/Schema.h"
#include "storage/StorageError.h"

namespace orvendi::server {

namespace {

// Writers wait this long for each other (or for an outside process holding
// the write lock, such as a backup) instead of failing at once.
constexpr int kBusyTimeoutMillis = 5000;

// The connection each thread holds, per database, while it holds one.
thread_local std::vector<std::pair<const Database*, void*>> heldConnections;

void* heldBy(const Database* db) {
    const auto it = std::find_if(heldConnections.begin(), heldConnections.end(),
                                 [db](const auto& held) { return held.first == db; });
    return it == heldConnections.end() ? nullptr : it->second;
}

void forgetHeld(const Database* db) {
    std::erase_if(heldConnections, [db](const auto& held) { return held.first == db; });
}

} // namespace

Database::Database(const std::filesystem::path& file, size_t connections) {
    try {
        for (size_t i = 0; i < std::max<size_t>(connections, 1); ++i) {
            idle_.push_back(open(file));
        }
        transaction([this] { Schema::migrate(*this); });
    } catch (...) {
        for (auto& connection : connections_) {
            sqlite3_close(connection->handle);
        }
        throw;
    }
}

Database::~Database() {
    for (auto& connection : connections_) {
        sqlite3_close(connection->handle);
    }
}

Database::Connection* Database::open(const std::filesystem::path& file) {
    auto connection = std::make_unique<Connection>();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(file.c_str(), &connection->handle, flags, nullptr) != SQLITE_OK) {
        const std::string reason =
            connection->handle ? sqlite3_errmsg(connection->handle) : "out of memory";
        sqlite3_close(connection->handle);
        throw StorageError("Cannot open the database " + file.string() + ": " + reason);
    }
    connections_.push_back(std::move(connection));
    Connection* opened = connections_.back().get();
    sqlite3_busy_timeout(opened->handle, kBusyTimeoutMillis);
    for (const char* pragma :
         {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = NORMAL", "PRAGMA foreign_keys = ON"}) {
        Statement(opened->handle, pragma).run();
    }
    return opened;
}

Database::Lease::Lease(Database& db) : db_(db) {
    connection_ = static_cast<Connection*>(heldBy(&db));
    outermost_ = connection_ == nullptr;
    if (outermost_) {
        connection_ = db.take();
        heldConnections.emplace_back(&db, connection_);
    }
}

Database::Lease::~Lease() {
    if (outermost_) {
        forgetHeld(&db_);
        db_.giveBack(connection_);
    }
}

Database::Connection* Database::take() {
    std::unique_lock lock(poolMutex_);
    returned_.wait(lock, [this] { return !idle_.empty(); });
    Connection* connection = idle_.back();
    idle_.pop_back();
    return connection;
}

void Database::giveBack(Connection* connection) {
    {
        std::lock_guard lock(poolMutex_);
        idle_.push_back(connection);
    }
    returned_.notify_one();
}

Database::Connection& Database::current() {
    auto* connection = static_cast<Connection*>(heldBy(this));
    if (!connection) {
        throw StorageError("Database used without a connection");
    }
    return *connection;
}

Statement Database::prepare(std::string_view sql) {
    return Statement(current().handle, sql);
}

void Database::execute(std::string_view sql) {
    Statement statement(current().handle, sql);
    statement.run();
}

int Database::changes() {
    return sqlite3_changes(current().handle);
}

void Database::finishTransaction() {
    execute("COMMIT");
    current().inTransaction = false;
}

} // namespace orvendi::server
