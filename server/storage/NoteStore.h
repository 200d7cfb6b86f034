#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "notes/Note.h"

namespace orvendi::server {

class Database;

// Every user's notes. Each operation is scoped to one user: another user's
// note is as absent as one that never existed.
class NoteStore {
public:
    explicit NoteStore(Database& db);

    void insert(const Note& note);
    // All notes of the user, newest first.
    std::vector<Note> list(int64_t userId);
    std::optional<Note> find(int64_t userId, const std::string& id);
    // Writes the editable fields (title, project, tags, archive time, update time).
    void update(const Note& note);
    bool remove(int64_t userId, const std::string& id);

private:
    Database& db_;
};

} // namespace orvendi::server
