#pragma once

#include <string>

#include "platform/Accessibility.h"

namespace orvendi {

// Writes a transcript straight into the element the user was typing in, over
// the accessibility interface: the captured selection is replaced (or the
// text goes in at the caret), then the element's text is read back to see
// that it arrived. No window needs to come to the front and no keystroke can
// reach another application.
namespace TextInsertion {

enum class Result {
    // The text is in the element (as the element took it) and the caret after it.
    Inserted,
    // The element is unchanged: another route must deliver the text.
    NotInserted,
    // Only the selection went away: another route must insert at its start.
    SelectionRemoved,
};

Result insert(Accessibility& accessibility, AccessibleElement& element, TextRange range,
              const std::string& text);

// Byte offset of the character at `characters` in UTF-8 `text`; npos past its end.
size_t byteOffset(const std::string& text, int64_t characters);
// The number of characters (code points) of UTF-8 `text`.
int64_t characterCount(const std::string& text);

} // namespace TextInsertion
} // namespace orvendi
