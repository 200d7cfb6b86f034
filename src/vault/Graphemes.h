#pragma once

#include <cstddef>
#include <limits>
#include <string_view>

namespace orvendi::Graphemes {

inline constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

// The longest prefix of `text` made of at most `maxCharacters` user-perceived
// characters (extended grapheme clusters) and at most `maxBytes` bytes. Whole
// characters only: a character that does not fit entirely is left out. Bytes
// that are not valid UTF-8 count as one character each.
std::string_view prefix(std::string_view text, size_t maxCharacters, size_t maxBytes = kNoLimit);

} // namespace orvendi::Graphemes
