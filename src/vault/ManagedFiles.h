#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvendi::ManagedFiles {

// Finds the note files of a vault synced before the state file kept its file
// map: every visible ".md" file (any case) whose first 500 characters hold a
// line "id: " followed by a UUID. Returns the id exactly as written to the
// file's name; with two files for one id, the later name in sorted order wins.
// A folder that cannot be listed has no managed files.
std::map<std::string, std::string> discover(const std::filesystem::path& vaultDir);

// The id named by the first line starting with "id: " among the first 500
// characters of `content`, if that line holds a UUID; absent otherwise.
std::optional<std::string> idLine(std::string_view content);

} // namespace orvendi::ManagedFiles
