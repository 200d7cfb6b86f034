#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi::NoteFiles {

// Every note file ends in this; links between notes leave it out.
inline constexpr std::string_view kExtension = ".md";

// A title made safe and short for a file name: the characters that file
// systems or Markdown links reject are removed, blanks and tabs trimmed from
// both ends, and at most 60 user-perceived characters kept.
std::string sanitize(std::string_view title);

// The name (without extension) of a note's file, e.g. "2025-02-03 0905 Plan 1f0c2d3e":
// the creation minute in UTC, the sanitized title ("Note" when empty) and, when
// an id is given, its first 8 characters. A `createdAt` that is no internet
// date-time stands for `now` (seconds since 1970). The name never holds a path
// separator and always fits a file-system name with the extension.
std::string fileName(std::string_view createdAt, std::string_view title,
                     const std::optional<std::string>& id, double now);

// Whether `name` names an entry directly inside a folder: not empty, not "."
// or "..", and free of path separators and NUL. Names read from the state file
// or from the folder are used for writing and deleting only when this holds.
bool isPlainFileName(std::string_view name);

} // namespace orvendi::NoteFiles
