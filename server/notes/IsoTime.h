#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvendi::server {

// Instants as the API writes them: ISO 8601 in UTC with milliseconds
// ("2025-02-03T09:05:41.123Z"). Internally they are milliseconds since 1970.
namespace IsoTime {
std::string format(int64_t millisSince1970);
// Reads an ISO 8601 internet date-time, with or without fractional seconds,
// with "Z" or a numeric offset. Absent for anything else.
std::optional<int64_t> parse(std::string_view text);
int64_t millisFromSeconds(double secondsSince1970);
} // namespace IsoTime

} // namespace orvendi::server
