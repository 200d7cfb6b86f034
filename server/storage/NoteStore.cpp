#include "storage/NoteStore.h"

#include <nlohmann/json.hpp>

#include "storage/Database.h"
#include "storage/RelatedNotes.h"

namespace orvendi::server {

namespace {

constexpr const char* kColumns =
    "id, user_id, created_ms, updated_ms, title, text, cleaned_text, project, tags, source, "
    "duration_secs, archived_ms";

std::string encodeTags(const std::vector<std::string>& tags) {
    return nlohmann::json(tags).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<std::string> decodeTags(const std::string& stored) {
    const auto parsed = nlohmann::json::parse(stored, nullptr, false);
    std::vector<std::string> tags;
    if (parsed.is_array()) {
        for (const auto& tag : parsed) {
            if (tag.is_string()) {
                tags.push_back(tag.get<std::string>());
            }
        }
    }
    return tags;
}

Note readNote(const Statement& row) {
    Note note;
    note.id = row.text(0);
    note.userId = row.integer(1);
    note.createdMs = row.integer(2);
    note.updatedMs = row.integer(3);
    note.title = row.text(4);
    note.text = row.text(5);
    note.cleanedText = row.text(6);
    note.project = row.optionalText(7);
    note.tags = decodeTags(row.text(8));
    note.source = row.text(9);
    note.durationSecs = row.integer(10);
    note.archivedMs = row.optionalInteger(11);
    return note;
}

// Projects and tags as one kind of label; the prefixes keep a project and a
// tag of the same name apart.
std::vector<std::string> labelsOf(const Note& note) {
    std::vector<std::string> labels;
    if (note.project) {
        labels.push_back("p:" + *note.project);
    }
    for (const auto& tag : note.tags) {
        labels.push_back("t:" + tag);
    }
    return labels;
}

// The labels of live notes that could be related: those sharing a label with
// one note (that note's own included), or all of a user's.
constexpr const char* kSharingLabelsWith = R"(
SELECT theirs.note_id, n.title, n.created_ms, theirs.label
FROM note_labels mine
JOIN note_labels theirs ON theirs.user_id = mine.user_id AND theirs.label = mine.label
JOIN notes n ON n.id = theirs.note_id
WHERE mine.note_id = ? AND n.archived_ms IS NULL)";
constexpr const char* kAllLiveLabels = R"(
SELECT l.note_id, n.title, n.created_ms, l.label
FROM note_labels l JOIN notes n ON n.id = l.note_id
WHERE l.user_id = ? AND n.archived_ms IS NULL)";

} // namespace

NoteStore::NoteStore(Database& db) : db_(db) {}

void NoteStore::writeLabels(const Note& note) {
    db_.prepare("DELETE FROM note_labels WHERE note_id = ?").bindText(1, note.id).run();
    Statement insert =
        db_.prepare("INSERT OR IGNORE INTO note_labels (note_id, user_id, label) VALUES (?, ?, ?)");
    for (const std::string& label : labelsOf(note)) {
        insert.bindText(1, note.id).bindInteger(2, note.userId).bindText(3, label).run();
        insert.reset();
    }
}

void NoteStore::insert(const Note& note) {
    db_.transaction([&] {
        Statement insert = db_.prepare(std::string("INSERT INTO notes (") + kColumns +
                                       ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bindText(1, note.id)
            .bindInteger(2, note.userId)
            .bindInteger(3, note.createdMs)
            .bindInteger(4, note.updatedMs)
            .bindText(5, note.title)
            .bindText(6, note.text)
            .bindText(7, note.cleanedText)
            .bindOptionalText(8, note.project)
            .bindText(9, encodeTags(note.tags))
            .bindText(10, note.source)
            .bindInteger(11, note.durationSecs);
        if (note.archivedMs) {
            insert.bindInteger(12, *note.archivedMs);
        } else {
            insert.bindNull(12);
        }
        insert.run();
        writeLabels(note);
    });
}

std::vector<Note> NoteStore::list(int64_t userId, std::optional<int64_t> changedAfterMs,
                                  bool withText) {
    static const std::string kSummaryColumns =
        "id, user_id, created_ms, updated_ms, title, '', '', project, tags, source, "
        "duration_secs, archived_ms";
    return db_.withConnection([&] {
        Statement query = db_.prepare("SELECT " + (withText ? kColumns : kSummaryColumns) +
                                      " FROM notes WHERE user_id = ? AND updated_ms > ? "
                                      "ORDER BY created_ms DESC, id DESC");
        query.bindInteger(1, userId).bindInteger(2, changedAfterMs.value_or(INT64_MIN));
        std::vector<Note> notes;
        while (query.step()) {
            notes.push_back(readNote(query));
        }
        return notes;
    });
}

NoteStore::Listing NoteStore::listing(int64_t userId, std::optional<int64_t> changedAfterMs,
                                      bool full) {
    return db_.snapshot([&] {
        Listing listing;
        listing.version = version(userId);
        listing.notes = list(userId, changedAfterMs, full);
        if (full) {
            listing.related = related(listing.notes);
        }
        return listing;
    });
}

int64_t NoteStore::version(int64_t userId) {
    return db_.withConnection([&]() -> int64_t {
        Statement query = db_.prepare("SELECT version FROM note_versions WHERE user_id = ?");
        query.bindInteger(1, userId);
        return query.step() ? query.integer(0) : 0;
    });
}

std::optional<Note> NoteStore::find(int64_t userId, const std::string& id) {
    return db_.withConnection([&]() -> std::optional<Note> {
        Statement query = db_.prepare(std::string("SELECT ") + kColumns +
                                      " FROM notes WHERE user_id = ? AND id = ?");
        query.bindInteger(1, userId).bindText(2, id);
        if (!query.step()) {
            return std::nullopt;
        }
        return readNote(query);
    });
}

void NoteStore::update(const Note& note) {
    db_.transaction([&] {
        Statement update = db_.prepare(
            "UPDATE notes SET title = ?, project = ?, tags = ?, archived_ms = ?, updated_ms = ? "
            "WHERE user_id = ? AND id = ?");
        update.bindText(1, note.title)
            .bindOptionalText(2, note.project)
            .bindText(3, encodeTags(note.tags));
        if (note.archivedMs) {
            update.bindInteger(4, *note.archivedMs);
        } else {
            update.bindNull(4);
        }
        update.bindInteger(5, note.updatedMs).bindInteger(6, note.userId).bindText(7, note.id);
        update.run();
        if (db_.changes() > 0) {
            writeLabels(note);
        }
    });
}

bool NoteStore::remove(int64_t userId, const std::string& id) {
    return db_.withConnection([&] {
        Statement remove = db_.prepare("DELETE FROM notes WHERE user_id = ? AND id = ?");
        remove.bindInteger(1, userId).bindText(2, id).run();
        return db_.changes() > 0;
    });
}

std::vector<std::vector<Note>> NoteStore::related(const std::vector<Note>& notes) {
    if (notes.empty()) {
        return {};
    }
    return db_.withConnection([&] {
        Statement query = db_.prepare(notes.size() == 1 ? kSharingLabelsWith : kAllLiveLabels);
        if (notes.size() == 1) {
            query.bindText(1, notes.front().id);
        } else {
            query.bindInteger(1, notes.front().userId);
        }
        RelatedNotes graph;
        while (query.step()) {
            graph.add(query.text(0), query.text(1), query.integer(2), query.text(3));
        }
        std::vector<std::vector<Note>> related(notes.size());
        for (size_t i = 0; i < notes.size(); ++i) {
            if (!notes[i].archivedMs) {
                related[i] = graph.of(notes[i], kRelatedLimit);
            }
        }
        return related;
    });
}

} // namespace orvendi::server
