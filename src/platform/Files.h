#pragma once

#include <filesystem>

namespace orvendi {

// The per-user folders the agent keeps its files in.
class Files {
public:
    virtual ~Files() = default;
    // The current user's home folder.
    virtual std::filesystem::path homeDirectory() const = 0;
    // The per-user application-support folder (created if needed; throws
    // PlatformError when it cannot be).
    virtual std::filesystem::path applicationSupportDirectory() const = 0;
};

} // namespace orvendi
