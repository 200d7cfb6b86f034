#include "storage/Schema.h"

#include <sqlite3.h>
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
    // Refresh tokens in families: a sign-in starts a family, each renewal adds
    // a token and spends the one before; a spent token presented again ends
    // the family with its access tokens. A token from before families gets a
    // family of its own, dated from when it was issued.
    R"(
CREATE TABLE session_families (
    id INTEGER PRIMARY KEY,
    user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
    signed_in_at REAL NOT NULL,
    last_used_at REAL NOT NULL,
    first_token BLOB
);
INSERT INTO session_families (user_id, signed_in_at, last_used_at, first_token)
    SELECT user_id, expires_at - 5184000, expires_at - 5184000, token_hash FROM refresh_tokens;
CREATE TABLE family_tokens (
    token_hash BLOB PRIMARY KEY,
    family_id INTEGER NOT NULL REFERENCES session_families(id) ON DELETE CASCADE,
    spent INTEGER NOT NULL DEFAULT 0
) WITHOUT ROWID;
INSERT INTO family_tokens (token_hash, family_id) SELECT first_token, id FROM session_families;
DROP TABLE refresh_tokens;
ALTER TABLE family_tokens RENAME TO refresh_tokens;
ALTER TABLE session_families DROP COLUMN first_token;
CREATE INDEX session_families_by_user ON session_families(user_id);
CREATE INDEX refresh_tokens_by_family ON refresh_tokens(family_id);
ALTER TABLE access_tokens ADD COLUMN
    family_id INTEGER REFERENCES session_families(id) ON DELETE CASCADE;
CREATE INDEX access_tokens_by_family ON access_tokens(family_id);
DROP TABLE sign_in_codes;
CREATE TABLE sign_in_codes (
    email TEXT NOT NULL,
    client_network TEXT NOT NULL,
    code_hash BLOB NOT NULL,
    expires_at REAL NOT NULL,
    attempts_left INTEGER NOT NULL,
    PRIMARY KEY (email, client_network)
);
CREATE TABLE note_labels (
    note_id TEXT NOT NULL REFERENCES notes(id) ON DELETE CASCADE,
    user_id INTEGER NOT NULL,
    label TEXT NOT NULL,
    PRIMARY KEY (note_id, label)
) WITHOUT ROWID;
CREATE INDEX note_labels_by_label ON note_labels(user_id, label);
INSERT INTO note_labels (note_id, user_id, label)
    SELECT id, user_id, 'p:' || project FROM notes WHERE project IS NOT NULL;
INSERT OR IGNORE INTO note_labels (note_id, user_id, label)
    SELECT notes.id, notes.user_id, 't:' || tag.value FROM notes, json_each(notes.tags) AS tag
    WHERE tag.type = 'text';
DROP INDEX notes_by_user;
CREATE INDEX notes_by_user ON notes(user_id, created_ms DESC, id DESC);
)",
    // A version of each user's notes, changed by every write to them or to
    // their labels, whichever program writes (this server, the sqlite3 shell,
    // a restore): an answer made from them can be reused while it stays the
    // same. Random rather than counted, so that a restored copy never brings
    // back a version that once stood for other contents.
    R"(
CREATE TABLE note_versions (
    user_id INTEGER PRIMARY KEY,
    version INTEGER NOT NULL
);
CREATE TRIGGER note_inserted AFTER INSERT ON notes BEGIN
    INSERT INTO note_versions VALUES (NEW.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
END;
CREATE TRIGGER note_updated AFTER UPDATE ON notes BEGIN
    INSERT INTO note_versions VALUES (OLD.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
    INSERT INTO note_versions VALUES (NEW.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
END;
CREATE TRIGGER note_deleted AFTER DELETE ON notes BEGIN
    INSERT INTO note_versions VALUES (OLD.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
END;
CREATE TRIGGER note_label_inserted AFTER INSERT ON note_labels BEGIN
    INSERT INTO note_versions VALUES (NEW.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
END;
CREATE TRIGGER note_label_deleted AFTER DELETE ON note_labels BEGIN
    INSERT INTO note_versions VALUES (OLD.user_id, random())
        ON CONFLICT (user_id) DO UPDATE SET version = excluded.version;
END;
)",
};

int64_t currentVersion(Database& db) {
    Statement query = db.prepare("PRAGMA user_version");
    return query.step() ? query.integer(0) : 0;
}

// Runs a script of several statements, one prepared statement at a time. A
// statement ends at the first semicolon that completes it: those inside a
// trigger's body do not.
void runScript(Database& db, const std::string& script) {
    std::string statement;
    size_t start = 0;
    while (start < script.size()) {
        const size_t end = script.find(';', start);
        statement += script.substr(start, end == std::string::npos ? end : end - start + 1);
        if (end != std::string::npos && !sqlite3_complete(statement.c_str())) {
            start = end + 1;
            continue;
        }
        if (statement.find_first_not_of(" \n\t;") != std::string::npos) {
            db.execute(statement);
        }
        statement.clear();
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
