#include "SavedRecordings.h"

#include <algorithm>
#include <cctype>

#include "capture/RecoveryStore.h"

namespace orvendi {
namespace {

std::string lowercaseExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

bool samePlace(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

SavedRecordings::Entry entryOf(const std::filesystem::path& path) {
    SavedRecordings::Entry entry{path, lowercaseExtension(path), {}, 0};
    std::error_code error;
    entry.modified = std::filesystem::last_write_time(path, error);
    entry.size = std::filesystem::file_size(path, error);
    if (error) {
        entry.size = 0;
    }
    return entry;
}

} // namespace

std::vector<SavedRecordings::Entry> SavedRecordings::list() const {
    std::vector<Entry> entries;
    for (const auto& path : store_.retryableRecordings()) {
        entries.push_back(entryOf(path));
    }
    return entries;
}

std::optional<SavedRecordings::Entry> SavedRecordings::find(const std::string& given) const {
    for (const auto& path : store_.pendingRecordings()) {
        if (path.filename() == given || samePlace(path, given)) {
            return entryOf(path);
        }
    }
    return std::nullopt;
}

} // namespace orvendi
