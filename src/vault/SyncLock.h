#pragma once

#include <filesystem>

namespace orvendi {

// An exclusive advisory lock (flock) on a lock file, held for the object's
// lifetime. Every process syncing the same vault state takes it first, so the
// agent and the terminal tool never sync at once; the second waits for the
// first. Locks of two objects conflict even inside one process.
class SyncLock {
public:
    // Creates the lock file and its folder when missing and blocks until the
    // lock is free. When the file cannot be opened no lock is held (the state
    // beside it cannot be saved either), and isHeld() says so.
    explicit SyncLock(const std::filesystem::path& lockFile);
    ~SyncLock();
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;

    bool isHeld() const { return descriptor_ >= 0; }

private:
    int descriptor_ = -1;
};

} // namespace orvendi
