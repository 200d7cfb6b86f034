#include "SavedRecordings.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "capture/RecoveryStore.h"

namespace orvendi {
namespace {

// A recorder writes its spool file several times a second; one this quiet has
// no recorder behind it.
constexpr std::chrono::seconds kSpoolQuietTime{5};

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

} // namespace

std::vector<SavedRecordings::Entry> SavedRecordings::list() const {
    std::vector<Entry> entries;
    for (const auto& path : store_.pendingRecordings()) {
        Entry entry{path, lowercaseExtension(path), {}, 0};
        std::error_code error;
        entry.modified = std::filesystem::last_write_time(path, error);
        entry.size = std::filesystem::file_size(path, error);
        if (error) {
            entry.size = 0;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::filesystem::path> SavedRecordings::newestIdle() const {
    for (const auto& entry : list()) {
        if (!isBeingRecorded(entry)) {
            return entry.path;
        }
    }
    return std::nullopt;
}

std::optional<SavedRecordings::Entry> SavedRecordings::find(const std::string& given) const {
    for (auto& entry : list()) {
        if (entry.path.filename() == given || samePlace(entry.path, given)) {
            return entry;
        }
    }
    return std::nullopt;
}

bool SavedRecordings::isBeingRecorded(const Entry& entry) {
    return entry.format == "caf" &&
           std::filesystem::file_time_type::clock::now() - entry.modified < kSpoolQuietTime;
}

} // namespace orvendi
