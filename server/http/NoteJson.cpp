#include "http/NoteJson.h"

#include "base/IsoTime.h"

namespace orvendi::server::NoteJson {

nlohmann::json summary(const Note& note) {
    return {
        {"id", note.id},
        {"created_at", IsoTime::formatMillis(note.createdMs)},
        {"updated_at", IsoTime::formatMillis(note.updatedMs)},
        {"title", note.title},
        {"project", note.project ? nlohmann::json(*note.project) : nlohmann::json(nullptr)},
        {"tags", note.tags},
        {"source", note.source},
        {"duration_secs", note.durationSecs},
        {"archived_at", note.archivedMs ? nlohmann::json(IsoTime::formatMillis(*note.archivedMs))
                                        : nlohmann::json()},
    };
}

nlohmann::json full(const Note& note, const std::vector<Note>& related) {
    nlohmann::json out = summary(note);
    out["text"] = note.text;
    out["cleaned_text"] = note.cleanedText;
    out["related"] = nlohmann::json::array();
    for (const Note& other : related) {
        out["related"].push_back({{"id", other.id},
                                  {"title", other.title},
                                  {"created_at", IsoTime::formatMillis(other.createdMs)}});
    }
    return out;
}

} // namespace orvendi::server::NoteJson
