#include "vault/NoteFiles.h"

#include <cmath>

#include "base/IsoTime.h"
#include "vault/Graphemes.h"

namespace orvendi::NoteFiles {

namespace {

// Characters that file systems, sync tools or Markdown links choke on. NUL
// joins them because no file name can hold it.
constexpr std::string_view kRemovedCharacters{"/\\:?%*|\"<>#^[]\0", 15};
constexpr size_t kMaxTitleCharacters = 60;
constexpr size_t kIdPrefixCharacters = 8;
// The longest file name ext4, btrfs, xfs and APFS accept, in bytes.
constexpr size_t kMaxFileNameBytes = 255;

std::string removeReservedCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (kRemovedCharacters.find(c) == std::string_view::npos) {
            out += c;
        }
    }
    return out;
}

std::string_view trimBlanksAndTabs(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string creationMinute(std::string_view createdAt, double now) {
    const auto millis = IsoTime::parse(createdAt);
    const double seconds = millis ? static_cast<double>(*millis) / 1000 : now;
    return IsoTime::formatMinute(static_cast<int64_t>(std::floor(seconds)));
}

} // namespace

std::string sanitize(std::string_view title) {
    const std::string kept = removeReservedCharacters(title);
    return std::string(Graphemes::prefix(trimBlanksAndTabs(kept), kMaxTitleCharacters));
}

std::string fileName(std::string_view createdAt, std::string_view title,
                     const std::optional<std::string>& id, double now) {
    const std::string date = creationMinute(createdAt, now);
    std::string titlePart = sanitize(title.empty() ? "Note" : title);
    std::optional<std::string> idPart;
    if (id) {
        idPart = removeReservedCharacters(Graphemes::prefix(*id, kIdPrefixCharacters));
    }

    // Titles of many-byte characters could exceed what a file system accepts;
    // such a note could never be written, so whole characters are dropped from
    // the end of the title (then of the id prefix) until the name fits.
    const size_t budget = kMaxFileNameBytes - kExtension.size() - date.size() - 1;
    if (idPart && idPart->size() + 1 > budget) {
        idPart = std::string(Graphemes::prefix(*idPart, Graphemes::kNoLimit, budget - 1));
    }
    const size_t idBytes = idPart ? idPart->size() + 1 : 0;
    titlePart = std::string(Graphemes::prefix(titlePart, Graphemes::kNoLimit, budget - idBytes));

    std::string name = date + " " + titlePart;
    if (idPart) {
        name += " " + *idPart;
    }
    return name;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

} // namespace orvendi::NoteFiles
