#include "vault/SyncLock.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orvendi {

namespace {

constexpr mode_t kLockFileMode = 0600;

} // namespace

SyncLock::SyncLock(const std::filesystem::path& lockFile) {
    std::error_code ignored;
    std::filesystem::create_directories(lockFile.parent_path(), ignored);
    descriptor_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kLockFileMode);
    if (descriptor_ < 0) {
        return;
    }
    int result = 0;
    do {
        result = ::flock(descriptor_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

SyncLock::~SyncLock() {
    if (descriptor_ >= 0) {
        ::close(descriptor_); // closing the last descriptor releases the lock
    }
}

} // namespace orvendi
