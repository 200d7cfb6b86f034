#include "http/NoteJson.h"

#include "base/IsoTime.h"
#include "http/JsonWriter.h"

namespace orvendi::server::NoteJson {

namespace {

// Room for one note in the short form, so that a listing grows its text rarely.
constexpr size_t kSummaryBytesGuess = 320;

void writeRelated(JsonWriter& json, const std::vector<Note>& related) {
    json.beginArray();
    for (const Note& other : related) {
        json.beginObject()
            .key("created_at")
            .string(IsoTime::formatMillis(other.createdMs))
            .key("id")
            .string(other.id)
            .key("title")
            .string(other.title)
            .endObject();
    }
    json.endArray();
}

// Keys in sorted order, as clients have always received them. `related` is
// null for the short form.
void writeNote(JsonWriter& json, const Note& note, const std::vector<Note>* related) {
    json.beginObject().key("archived_at");
    if (note.archivedMs) {
        json.string(IsoTime::formatMillis(*note.archivedMs));
    } else {
        json.null();
    }
    if (related) {
        json.key("cleaned_text").string(note.cleanedText);
    }
    json.key("created_at")
        .string(IsoTime::formatMillis(note.createdMs))
        .key("duration_secs")
        .integer(note.durationSecs)
        .key("id")
        .string(note.id)
        .key("project")
        .optionalString(note.project);
    if (related) {
        writeRelated(json.key("related"), *related);
    }
    json.key("source").string(note.source).key("tags").beginArray();
    for (const auto& tag : note.tags) {
        json.string(tag);
    }
    json.endArray();
    if (related) {
        json.key("text").string(note.text);
    }
    json.key("title")
        .string(note.title)
        .key("updated_at")
        .string(IsoTime::formatMillis(note.updatedMs))
        .endObject();
}

std::string listing(const std::vector<Note>& notes, const std::vector<std::vector<Note>>* related) {
    std::string out;
    out.reserve(notes.size() * kSummaryBytesGuess);
    JsonWriter json(out);
    json.beginObject().key("notes").beginArray();
    for (size_t i = 0; i < notes.size(); ++i) {
        writeNote(json, notes[i], related ? &(*related)[i] : nullptr);
    }
    json.endArray().endObject();
    return out;
}

} // namespace

std::string summaries(const std::vector<Note>& notes) {
    return listing(notes, nullptr);
}

std::string fullList(const std::vector<Note>& notes,
                     const std::vector<std::vector<Note>>& related) {
    return listing(notes, &related);
}

std::string single(const Note& note, const std::vector<Note>& related) {
    std::string out;
    JsonWriter json(out);
    json.beginObject().key("note");
    writeNote(json, note, &related);
    json.endObject();
    return out;
}

} // namespace orvendi::server::NoteJson
