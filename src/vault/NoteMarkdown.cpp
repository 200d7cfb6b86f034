#include "vault/NoteMarkdown.h"

#include <vector>

#include "vault/NoteFiles.h"

namespace orvendi::NoteMarkdown {

namespace {

constexpr const char* kDefaultSource = "web";

std::optional<std::vector<std::string>> stringList(const nlohmann::json& note, const char* key) {
    const auto it = note.find(key);
    if (it == note.end() || !it->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> values;
    for (const auto& element : *it) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        values.push_back(element.get<std::string>());
    }
    return values;
}

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        out += (i == 0 ? "" : separator) + parts[i];
    }
    return out;
}

std::string body(const nlohmann::json& note) {
    const std::string text = stringValue(note, "text").value_or("");
    const auto cleaned = stringValue(note, "cleaned_text");
    if (!cleaned) {
        return text;
    }
    if (*cleaned == text) {
        return *cleaned;
    }
    return *cleaned + "\n\n## Raw\n\n" + text;
}

// Link targets for "related" when it is a list of objects; entries without a
// string created_at have no file to point at and are skipped.
std::vector<std::string> relatedLinks(const nlohmann::json& note, double now) {
    if (!note.contains("related") || !note.at("related").is_array()) {
        return {};
    }
    const nlohmann::json& related = note.at("related");
    for (const auto& entry : related) {
        if (!entry.is_object()) {
            return {};
        }
    }
    std::vector<std::string> links;
    for (const auto& entry : related) {
        const auto createdAt = stringValue(entry, "created_at");
        if (createdAt) {
            const std::string title = stringValue(entry, "title").value_or("");
            links.push_back(NoteFiles::fileName(*createdAt, title, stringValue(entry, "id"), now));
        }
    }
    return links;
}

} // namespace

std::optional<std::string> stringValue(const nlohmann::json& note, const char* key) {
    const auto it = note.find(key);
    if (it == note.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

std::string render(const nlohmann::json& note, const std::string& id, const std::string& createdAt,
                   double now) {
    std::vector<std::string> lines{"---", "id: " + id, "date: " + createdAt};
    if (const auto project = stringValue(note, "project")) {
        lines.push_back("project: \"" + *project + "\"");
    }
    if (const auto tags = stringList(note, "tags"); tags && !tags->empty()) {
        lines.push_back("tags: [" + join(*tags, ", ") + "]");
    }
    lines.push_back("source: " + stringValue(note, "source").value_or(kDefaultSource));
    lines.push_back("---");
    lines.push_back("");
    lines.push_back(body(note));

    const auto links = relatedLinks(note, now);
    if (!links.empty()) {
        lines.insert(lines.end(), {"", "## Related", ""});
        for (const auto& link : links) {
            lines.push_back("- [[" + link + "]]");
        }
    }
    return join(lines, "\n") + "\n";
}

} // namespace orvendi::NoteMarkdown
