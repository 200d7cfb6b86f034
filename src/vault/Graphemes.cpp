#include "vault/Graphemes.h"

#include <utf8proc.h>

namespace orvendi::Graphemes {

namespace {

// Decodes the code point at `offset`; an invalid byte stands for itself and
// is one byte long, so every byte sequence can be walked.
utf8proc_int32_t decodeAt(std::string_view text, size_t offset, size_t& length) {
    utf8proc_int32_t codePoint = -1;
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data() + offset);
    const utf8proc_ssize_t read =
        utf8proc_iterate(bytes, static_cast<utf8proc_ssize_t>(text.size() - offset), &codePoint);
    if (read <= 0) {
        length = 1;
        return -1;
    }
    length = static_cast<size_t>(read);
    return codePoint;
}

} // namespace

std::string_view prefix(std::string_view text, size_t maxCharacters, size_t maxBytes) {
    size_t characters = 0;
    size_t clusterStart = 0;
    size_t offset = 0;
    utf8proc_int32_t previous = -1;
    utf8proc_int32_t breakState = 0;
    while (offset < text.size()) {
        size_t length = 0;
        const utf8proc_int32_t current = decodeAt(text, offset, length);
        const bool startsCharacter =
            offset == 0 || previous < 0 || current < 0 ||
            utf8proc_grapheme_break_stateful(previous, current, &breakState);
        if (startsCharacter) {
            if (offset > maxBytes) {
                return text.substr(0, clusterStart);
            }
            if (characters == maxCharacters) {
                return text.substr(0, offset);
            }
            clusterStart = offset;
            ++characters;
            breakState = 0;
        }
        previous = current;
        offset += length;
    }
    return offset > maxBytes ? text.substr(0, clusterStart) : text;
}

} // namespace orvendi::Graphemes
