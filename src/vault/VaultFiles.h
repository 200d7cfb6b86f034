#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvendi::VaultFiles {

// Writes `content` to a new file beside `target` and renames it over `target`,
// so readers see the old content or the new, never a part. The file gets the
// usual permissions for new files. Throws PlatformError on failure and then
// leaves `target` as it was.
void writeAtomically(const std::filesystem::path& target, const std::string& content);

// The whole content of a regular file (following links); absent when it
// cannot be read.
std::optional<std::string> read(const std::filesystem::path& file);

// Removes a file or link; never a folder. Returns false when nothing was removed.
bool removeFile(const std::filesystem::path& file);

} // namespace orvendi::VaultFiles
