#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvendi {

class RecoveryStore;

// The recordings the recovery store keeps for a retry, as the tool shows and
// picks them. The agent may be recording at the same time: its spool file is
// in the same folder, and the store leaves it to its recorder.
class SavedRecordings {
public:
    struct Entry {
        std::filesystem::path path;
        // "wav" (converted) or "caf" (a spool file never converted).
        std::string format;
        std::filesystem::file_time_type modified;
        uintmax_t size = 0;
    };

    explicit SavedRecordings(const RecoveryStore& store) : store_(store) {}

    // Newest first, without those still being recorded.
    std::vector<Entry> list() const;
    // The pending recording `given` names, by its path or its file name,
    // whether or not it is still being recorded.
    std::optional<Entry> find(const std::string& given) const;

private:
    const RecoveryStore& store_;
};

} // namespace orvendi
