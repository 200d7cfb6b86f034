#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvendi::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Writes `content` to `file`, creating folders on the way.
void writeFile(const std::filesystem::path& file, const std::string& content);
std::string readFile(const std::filesystem::path& file);
// The regular files directly in `folder` (none when it does not exist), sorted;
// with an `extension` (".wav"), only those.
std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder,
                                           const std::string& extension = {});

} // namespace orvendi::test
