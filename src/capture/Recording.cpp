#include "capture/Recording.h"

#include <system_error>

#include "capture/MoveAside.h"

namespace orvendi {
namespace {

constexpr const char* kSilentFolderName = "Silent Recordings";

} // namespace

void Recording::discardRecoveryCopy() const {
    std::error_code ignored;
    std::filesystem::remove(recoveryURL, ignored);
}

std::optional<std::filesystem::path> Recording::archiveSilentCopy() const {
    return moveAside(recoveryURL, kSilentFolderName);
}

} // namespace orvendi
