#pragma once

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "storage/Statement.h"

struct sqlite3;

namespace orvendi::server {

// The service's SQLite database: a small pool of connections to one file in
// WAL mode, so that readers never wait for a writer (nor for an outside
// process holding the write lock) and writers wait for each other inside
// SQLite, up to a busy timeout. Every use goes through withConnection() or
// transaction(), which lend the calling thread one connection for the
// duration of the work; nested calls on the same thread share it.
class Database {
public:
    static constexpr size_t kDefaultConnections = 8;

    // Opens (creating if needed) the file and brings its schema up to date.
    explicit Database(const std::filesystem::path& file, size_t connections = kDefaultConnections);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    template <class Work> auto withConnection(Work&& work) {
        const Lease lease(*this);
        return work();
    }

    // Runs `work` inside one transaction: all of its changes or none. The
    // write lock is taken at the start, so two transactions never deadlock.
    template <class Work> auto transaction(Work&& work) {
        return inTransaction("BEGIN IMMEDIATE", std::forward<Work>(work));
    }

    // Runs reads that must agree with each other: all of them see the
    // database as it was at the first, whatever commits meanwhile. Takes no
    // lock, so writers and outside processes go on as usual. Reads only: a
    // write inside it would start from a snapshot another writer may have
    // outdated.
    template <class Work> auto snapshot(Work&& work) {
        return inTransaction("BEGIN DEFERRED", std::forward<Work>(work));
    }

    // Only while the calling thread holds a connection (inside
    // withConnection() or transaction()).
    Statement prepare(std::string_view sql);
    void execute(std::string_view sql);
    int changes();

private:
    struct Connection {
        sqlite3* handle = nullptr;
        bool inTransaction = false;
    };

    // The calling thread's connection while it lives; the outermost lease
    // takes one from the pool and gives it back.
    class Lease {
    public:
        explicit Lease(Database& db);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Connection& connection() const { return *connection_; }

    private:
        Database& db_;
        Connection* connection_;
        bool outermost_;
    };

    template <class Work> auto inTransaction(std::string_view begin, Work&& work) {
        const Lease lease(*this);
        Connection& connection = lease.connection();
        if (connection.inTransaction) {
            return work();
        }
        execute(begin);
        connection.inTransaction = true;
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                finishTransaction();
            } else {
                auto result = work();
                finishTransaction();
                return result;
            }
        } catch (...) {
            connection.inTransaction = false;
            execute("ROLLBACK");
            throw;
        }
    }

    Connection* open(const std::filesystem::path& file);
    Connection& current();
    Connection* take();
    void giveBack(Connection* connection);
    void finishTransaction();

    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<Connection*> idle_;
    std::mutex poolMutex_;
    std::condition_variable returned_;
};

} // namespace orvendi::server
