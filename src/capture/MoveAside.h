#pragma once

#include <filesystem>
#include <optional>

namespace orvendi {

// Moves `file` into the folder `folderName` beside it (created if needed),
// under the same name, never replacing a file there. The new location, or
// absent when the file could not be moved; it then stays where it was.
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file,
                                               const char* folderName);

} // namespace orvendi
