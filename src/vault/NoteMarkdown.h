#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace orvendi::NoteMarkdown {

// The value of `key` in `note` when it is a JSON string; any other type counts
// as absent.
std::optional<std::string> stringValue(const nlohmann::json& note, const char* key);

// The Markdown file of one note: front matter (id, date, project, tags,
// source), the body (cleaned text, with the raw text under "## Raw" when they
// differ) and "## Related" links to the files of related notes. `now` stands
// in for related notes whose date cannot be read (seconds since 1970).
std::string render(const nlohmann::json& note, const std::string& id, const std::string& createdAt,
                   double now);

} // namespace orvendi::NoteMarkdown
