#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Points in time as ISO 8601 / internet date-time text, always in UTC, for the
// agent's vault, the terminal tool and the server alike.
namespace orvendi::IsoTime {

// Reads an internet date-time such as "2025-02-03T09:05:41.123Z" or
// "2025-02-03T09:05:41+01:00": with or without fractional seconds, "Z" or a
// numeric offset ("+01:00", "-0500"). Milliseconds since 1970; absent for
// anything else, including dates that do not exist.
std::optional<int64_t> parse(std::string_view text);

// "2025-02-03T09:05:41.123Z", as the API writes instants.
std::string formatMillis(int64_t millisSince1970);
// "2025-02-03T09:05:41Z", to the second, as the terminal tool prints times;
// "?" for a value no calendar holds.
std::string formatSeconds(double secondsSince1970);
std::string formatSeconds(std::filesystem::file_time_type time);
// "2025-02-03 0905", as note file names carry their creation minute.
std::string formatMinute(int64_t secondsSince1970);

int64_t millisFromSeconds(double secondsSince1970);

} // namespace orvendi::IsoTime
