#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/harness/TempDir.h"
#include "vault/SyncLock.h"

namespace orvendi {
namespace {

TEST(SyncLock, SecondHolderWaitsForTheFirst) {
    test::TempDir home;
    const auto lockFile = home.path() / ".orvendi" / "vault_state.lock";
    std::atomic<bool> firstReleased{false};
    std::atomic<bool> secondSawRelease{false};

    auto first = std::make_unique<SyncLock>(lockFile);
    ASSERT_TRUE(first->isHeld());
    std::thread second([&] {
        const SyncLock lock(lockFile);
        secondSawRelease = lock.isHeld() && firstReleased;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    firstReleased = true;
    first.reset();
    second.join();
    EXPECT_TRUE(secondSawRelease);
}

TEST(SyncLock, UnopenableLockFileHoldsNothing) {
    test::TempDir home;
    test::writeFile(home.path() / "file", "not a folder");
    const SyncLock lock(home.path() / "file" / "vault_state.lock");
    EXPECT_FALSE(lock.isHeld());
}

} // namespace
} // namespace orvendi
