#pragma once

#include <string>

namespace orvendi {

// E-mail addresses as the user types them.
namespace AddressText {
// `typed` without the white space and line breaks at either end (any Unicode
// space separator, tab, line or paragraph break), as the sign-in window takes it.
std::string trimmed(const std::string& typed);
} // namespace AddressText

} // namespace orvendi
