#include "vault/ManagedFiles.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>
#include <vector>

#include <utf8proc.h>

#include "vault/Graphemes.h"
#include "vault/VaultFiles.h"

namespace orvendi::ManagedFiles {

namespace {

constexpr size_t kExaminedCharacters = 500;
constexpr std::string_view kIdPrefix = "id: ";

bool isValidUTF8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    size_t offset = 0;
    while (offset < text.size()) {
        utf8proc_int32_t codePoint = 0;
        const auto read = utf8proc_iterate(
            bytes + offset, static_cast<utf8proc_ssize_t>(text.size() - offset), &codePoint);
        if (read <= 0) {
            return false;
        }
        offset += static_cast<size_t>(read);
    }
    return true;
}

bool isWhitespaceOrLineBreak(utf8proc_int32_t codePoint) {
    switch (utf8proc_category(codePoint)) {
    case UTF8PROC_CATEGORY_ZS:
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
        return true;
    default:
        return (codePoint >= 0x09 && codePoint <= 0x0D) || codePoint == 0x85;
    }
}

// Trims Unicode white space and line breaks from both ends of valid UTF-8.
std::string_view trimWhitespace(std::string_view text) {
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
    size_t start = 0;
    size_t end = 0; // one past the last code point that is not white space
    size_t offset = 0;
    bool seenContent = false;
    while (offset < text.size()) {
        utf8proc_int32_t codePoint = 0;
        const auto read = utf8proc_iterate(
            bytes + offset, static_cast<utf8proc_ssize_t>(text.size() - offset), &codePoint);
        const size_t length = read > 0 ? static_cast<size_t>(read) : 1;
        if (read <= 0 || !isWhitespaceOrLineBreak(codePoint)) {
            if (!seenContent) {
                start = offset;
                seenContent = true;
            }
            end = offset + length;
        }
        offset += length;
    }
    return seenContent ? text.substr(start, end - start) : std::string_view{};
}

bool isUUID(std::string_view text) {
    constexpr std::string_view kShape = "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool valid = kShape[i] == '-'
                               ? text[i] == '-'
                               : std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
        if (!valid) {
            return false;
        }
    }
    return true;
}

bool hasMarkdownExtension(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".md";
}

std::vector<std::string> visibleEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with('.')) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::optional<std::string> idLine(std::string_view content) {
    std::string_view examined = Graphemes::prefix(content, kExaminedCharacters);
    while (!examined.empty()) {
        const size_t lineEnd = std::min(examined.find('\n'), examined.size());
        const std::string_view line = examined.substr(0, lineEnd);
        examined.remove_prefix(std::min(lineEnd + 1, examined.size()));
        if (line.starts_with(kIdPrefix)) {
            const std::string_view id = trimWhitespace(line.substr(kIdPrefix.size()));
            return isUUID(id) ? std::optional<std::string>(id) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::map<std::string, std::string> discover(const std::filesystem::path& vaultDir) {
    std::map<std::string, std::string> files;
    for (const auto& name : visibleEntries(vaultDir)) {
        if (!hasMarkdownExtension(name)) {
            continue;
        }
        const auto content = VaultFiles::read(vaultDir / name);
        if (!content || !isValidUTF8(*content)) {
            continue;
        }
        if (const auto id = idLine(*content)) {
            files[*id] = name;
        }
    }
    return files;
}

} // namespace orvendi::ManagedFiles
