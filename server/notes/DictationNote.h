#pragma once

#include <cstdint>
#include <string>

#include "notes/Note.h"

namespace orvendi::server {

// Every stored dictation is a note: a new id, its time, and a title taken
// from the start of the cleaned text.
namespace DictationNote {
Note make(int64_t userId, const std::string& rawText, const std::string& cleanedText,
          const std::string& source, int64_t durationSecs, int64_t nowMs);
// A dictation with no words at all is not worth a note.
bool worthStoring(const std::string& rawText, const std::string& cleanedText);
} // namespace DictationNote

} // namespace orvendi::server
