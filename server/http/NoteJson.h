#pragma once

#include <vector>

#include <nlohmann/json.hpp>

#include "notes/Note.h"

namespace orvendi::server {

// Notes as the API writes them: "id", "created_at", "updated_at", "title",
// "project" (string or null), "tags", "source", "duration_secs",
// "archived_at" (null or a time); the full form adds "text", "cleaned_text"
// and "related" ({"id","title","created_at"} of each related note).
namespace NoteJson {
nlohmann::json summary(const Note& note);
nlohmann::json full(const Note& note, const std::vector<Note>& related);
} // namespace NoteJson

} // namespace orvendi::server
