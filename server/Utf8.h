#pragma once

#include <cstddef>
#include <string_view>

namespace orvendi::server {

// Checks on text that arrives outside JSON (form fields), which must be
// valid UTF-8 before it is stored and later served as JSON.
namespace Utf8 {
bool isValid(std::string_view text);
// Characters (code points) of valid UTF-8 text.
size_t length(std::string_view text);
// True when the text holds a control character (line breaks included).
bool hasControlCharacters(std::string_view text);
} // namespace Utf8

} // namespace orvendi::server
