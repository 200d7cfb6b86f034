#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "notes/Note.h"

namespace orvendi::server {

// Notes are related when they share their project or a tag. For each live
// note, the others that share the most with it, closest in time first;
// archived notes neither have nor are related notes.
namespace RelatedNotes {
inline constexpr size_t kLimit = 5;
// Pointers into `notes`, keyed by note id.
std::unordered_map<std::string, std::vector<const Note*>> find(const std::vector<Note>& notes);
} // namespace RelatedNotes

} // namespace orvendi::server
