#pragma once

#include <string>
#include <string_view>

namespace orvendi::Base64 {

// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks).
std::string encode(std::string_view bytes);

} // namespace orvendi::Base64
