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

    static constexpr size_t kRelatedLimit = 5;

    // What a listing is made of, all read from one snapshot of the database.
    struct Listing {
        int64_t version = 0;
        std::vector<Note> notes;
        // Empty unless asked for; then related[i] belongs to notes[i].
        std::vector<std::vector<Note>> related;
    };

    void insert(const Note& note);
    // The user's notes changed after `changedAfterMs` (all without it),
    // newest first; `withText` false leaves "text" and "cleaned_text" empty.
    std::vector<Note> list(int64_t userId, std::optional<int64_t> changedAfterMs = std::nullopt,
                           bool withText = true);
    // list() with its version and, when `full`, texts and related notes.
    Listing listing(int64_t userId, std::optional<int64_t> changedAfterMs, bool full);
    // The version of the user's notes: it changes with every write to them or
    // their labels, by this process or any other, and not otherwise.
    int64_t version(int64_t userId);
    std::optional<Note> find(int64_t userId, const std::string& id);
    // Writes the editable fields (title, project, tags, archive time, update time).
    void update(const Note& note);
    bool remove(int64_t userId, const std::string& id);
    // For each note, the live notes sharing the most of its project and tags
    // with it, closest in time first, at most kRelatedLimit (with id, title and
    // creation time only). Archived notes neither have nor are related notes.
    // All of `notes` belong to one user. One query for the lot, counted in
    // memory.
    std::vector<std::vector<Note>> related(const std::vector<Note>& notes);

private:
    void writeLabels(const Note& note);

    Database& db_;
};

} // namespace orvendi::server
