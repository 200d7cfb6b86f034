#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>
#include <type_traits>

#include "storage/Statement.h"

struct sqlite3;

namespace orvendi::server {

// The service's one SQLite connection. Request threads take turns: every use
// goes through locked() or transaction(), which hold the connection for the
// duration of the work (nested calls on the same thread are fine).
class Database {
public:
    // Opens (creating if needed) the file and brings its schema up to date.
    explicit Database(const std::filesystem::path& file);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    template <class Work> auto locked(Work&& work) {
        std::lock_guard lock(mutex_);
        return work();
    }

    // Runs `work` inside one transaction: all of its changes or none.
    template <class Work> auto transaction(Work&& work) {
        std::lock_guard lock(mutex_);
        if (inTransaction_) {
            return work();
        }
        execute("BEGIN IMMEDIATE");
        inTransaction_ = true;
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
            inTransaction_ = false;
            execute("ROLLBACK");
            throw;
        }
    }

    // Only while holding the connection (inside locked() or transaction()).
    Statement prepare(std::string_view sql);
    void execute(std::string_view sql);
    int changes() const;

private:
    void finishTransaction();

    sqlite3* db_ = nullptr;
    std::recursive_mutex mutex_;
    bool inTransaction_ = false;
};

} // namespace orvendi::server
