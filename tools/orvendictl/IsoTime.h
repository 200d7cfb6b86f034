#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace orvendi {

// Points in time as the tool prints them: ISO 8601 in UTC to the second,
// "2025-02-03T09:05:41Z".
namespace IsoTime {
std::string format(double secondsSince1970);
std::string format(std::filesystem::file_time_type time);
} // namespace IsoTime

} // namespace orvendi
