#pragma once

#include <string>
#include <string_view>

namespace orvendi::server {

// A note's title is the start of its cleaned text: its first line, cut at a
// word boundary when it is long.
namespace NoteTitle {
inline constexpr size_t kMaxCharacters = 60;
std::string fromText(std::string_view cleanedText);
} // namespace NoteTitle

} // namespace orvendi::server
