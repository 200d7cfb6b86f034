#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvendi::server {

// One stored dictation. Times are milliseconds since 1970.
struct Note {
    std::string id; // lower-case UUID
    int64_t userId = 0;
    int64_t createdMs = 0;
    int64_t updatedMs = 0;
    std::string title;
    std::string text;        // as recognised
    std::string cleanedText; // as the user reads it
    std::optional<std::string> project;
    std::vector<std::string> tags;
    std::string source;
    int64_t durationSecs = 0;
    std::optional<int64_t> archivedMs;
};

} // namespace orvendi::server
