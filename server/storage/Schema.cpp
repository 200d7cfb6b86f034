#include "storage/Schema.h"

#include <string>
#include <vector>

#include "storage/Database.h"
#include "storage/StorageError.h"

namespace orvendi::server::Schema {

namespace {

// Step n brings a file from user_version n to n + 1. Steps are only ever appended.
const std::vector<const char*> kSteps = {
    R"(
CREATE TABLE users (
    id INTEGER PRIMARY KEY,
    email TEXT NOT NULL UNIQUE,
    password_hash TEXT,
    created_at REAL NOT NULL
);
CREATE TABLE sign_in_codes (
    email TEXT PRIMARY KEY,
    code_hash BLOB NOT NULL,
    expires_at REAL NOT NULL,
    attempts_left INTEGER NOT NULL
);
CREATE TABLE access_tokens (
    token_hash BLOB PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    expires_at REAL NOT NULL
) WITHOUT ROWID;
CREATE TABLE refresh_tokens (
    token_hash BLOB PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    expires_at REAL NOT NULL
) WITHOUT ROWID;
CREATE TABLE notes (
    id TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    created_ms INTEGER NOT NULL,
    updated_ms INTEGER NOT NULL,
    title TEXT NOT NULL,
    text TEXT NOT NULL,
    cleaned_text TEXT NOT NULL,
    project TEXT,
    tags TEXT NOT NULL DEFAULT '[]',
    source TEXT NOT NULL,
    duration_secs INTEGER NOT NULL DEFAULT 0,
    archived_ms INTEGER
);
CREATE INDEX notes_by_user ON notes(user_id, created_ms);
CREATE TABLE activation_events (
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    installation_id TEXT NOT NULL,
    event TEXT NOT NULL,
    platform TEXT NOT NULL,
    app_version TEXT NOT NULL,
    recorded_at REAL NOT NULL,
    PRIMARY KEY (user_id, installation_id, event)
);
CREATE TABLE native_status (
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    installation_id TEXT NOT NULL,
    platform TEXT NOT NULL,
    app_version TEXT NOT NULL,
    microphone INTEGER NOT NULL,
    accessibility INTEGER NOT NULL,
    input_monitoring INTEGER NOT NULL,
    screen_recording INTEGER NOT NULL,
    reported_at REAL NOT NULL,
    PRIMARY KEY (user_id, installation_id)
);
)",
};

int64_t currentVersion(Database& db) {
    Statement query = db.prepare("PRAGMA user_version");
    return query.step() ? query.integer(0) : 0;
}

// Runs a script of several statements, one prepared statement at a time.
void runScript(Database& db, const std::string& script) {
    size_t start = 0;
    while (start < script.size()) {
        const size_t end = script.find(';', start);
        const std::string statement =
            script.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (statement.find_first_not_of(" \n\t") != std::string::npos) {
            db.execute(statement);
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
}

} // namespace

void migrate(Database& db) {
    const auto known = static_cast<int64_t>(kSteps.size());
    const int64_t version = currentVersion(db);
    if (version > known) {
        throw StorageError("The database was written by a newer orvendi-server (schema " +
                           std::to_string(version) + ")");
    }
    for (int64_t step = version; step < known; ++step) {
        db.transaction([&] {
            runScript(db, kSteps[static_cast<size_t>(step)]);
            // user_version takes no parameters; the value is our own counter.
            db.execute("PRAGMA user_version = " + std::to_string(step + 1));
        });
    }
}

} // namespace orvendi::server::Schema
