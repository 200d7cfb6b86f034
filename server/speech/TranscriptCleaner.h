#pragma once

#include <string>
#include <string_view>

namespace orvendi::server {

// What the user reads: spoken punctuation ("comma", "period", "full stop",
// "question mark", "exclamation mark", "new line", "new paragraph") becomes
// the mark itself, sentences start with a capital letter, "i" is "I", and the
// text ends with a full stop unless it ends with another sentence mark.
// Cleaning a cleaned text changes nothing.
namespace TranscriptCleaner {
std::string clean(std::string_view raw);
} // namespace TranscriptCleaner

} // namespace orvendi::server
