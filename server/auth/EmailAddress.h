#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi::server {

// Addresses as accounts are keyed: trimmed and in lower case.
namespace EmailAddress {
// The normalised address, or absent when it is not a plausible address. Only
// plain ASCII addresses are accepted; "/" is refused because each address
// names a file in the outbox.
std::optional<std::string> normalize(std::string_view address);
} // namespace EmailAddress

} // namespace orvendi::server
