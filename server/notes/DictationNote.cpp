#include "notes/DictationNote.h"

#include "auth/RandomValues.h"
#include "notes/NoteTitle.h"

namespace orvendi::server::DictationNote {

Note make(int64_t userId, const std::string& rawText, const std::string& cleanedText,
          const std::string& source, int64_t durationSecs, int64_t nowMs) {
    Note note;
    note.id = RandomValues::uuid();
    note.userId = userId;
    note.createdMs = nowMs;
    note.updatedMs = nowMs;
    note.title = NoteTitle::fromText(cleanedText);
    note.text = rawText;
    note.cleanedText = cleanedText;
    note.source = source;
    note.durationSecs = durationSecs;
    return note;
}

bool worthStoring(const std::string& rawText, const std::string& cleanedText) {
    constexpr std::string_view kBlank = " \t\r\n";
    return rawText.find_first_not_of(kBlank) != std::string::npos ||
           cleanedText.find_first_not_of(kBlank) != std::string::npos;
}

} // namespace orvendi::server::DictationNote
