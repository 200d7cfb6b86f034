#pragma once

#include <string>
#include <vector>

#include "notes/Note.h"

namespace orvendi::server {

// Notes as the API writes them: "id", "created_at", "updated_at", "title",
// "project" (string or null), "tags", "source", "duration_secs",
// "archived_at" (null or a time); the full form adds "text", "cleaned_text"
// and "related" ({"id","title","created_at"} of each related note).
// Written as text directly: a listing holds thousands of notes.
namespace NoteJson {
// {"notes":[...]} in the short form.
std::string summaries(const std::vector<Note>& notes);
// {"notes":[...]} in the full form; related[i] belongs to notes[i].
std::string fullList(const std::vector<Note>& notes, const std::vector<std::vector<Note>>& related);
// {"note":{...}} in the full form.
std::string single(const Note& note, const std::vector<Note>& related);
} // namespace NoteJson

} // namespace orvendi::server
