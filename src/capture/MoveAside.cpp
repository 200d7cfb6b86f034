#include "capture/MoveAside.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace orvendi {
namespace {

// Moves `from` to `to` only if `to` does not exist. A hard link claims the new
// name atomically (it fails when the name is taken), then the old name goes.
bool moveWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) {
            return true;
        }
        ::unlink(to.c_str()); // keep one name only: the file stays where it was
        return false;
    }
    if (errno == EEXIST) {
        return false;
    }
    // Some file systems have no hard links; there the check and the move are
    // two steps, which is enough for a folder only this agent writes to.
    std::error_code error;
    if (std::filesystem::exists(to, error) || error) {
        return false;
    }
    std::filesystem::rename(from, to, error);
    return !error;
}

} // namespace

std::optional<std::filesystem::path> moveAside(const std::filesystem::path& file,
                                               const char* folderName) {
    const auto folder = file.parent_path() / folderName;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const auto destination = folder / file.filename();
    if (!moveWithoutReplacing(file, destination)) {
        return std::nullopt;
    }
    return destination;
}

} // namespace orvendi
