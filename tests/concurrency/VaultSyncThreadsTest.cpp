#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "support/harness/VaultSyncFixture.h"
#include "vault/SyncLock.h"

namespace orvendi {
namespace {

using test::note;

class VaultSyncLockTest : public test::VaultSyncFixture {};

// Syncs on a real "vault-sync" thread, with the main queue on the test's thread.
class VaultSyncQueueTest : public test::VaultSyncFixture {
protected:
    VaultSyncQueueTest() : VaultSyncFixture(test::VirtualScheduler::Background::Threads) {}
};

// Two synchronisers on one state file stand for the agent and the terminal
// tool: each sync holds the lock from before its request until its state is
// saved, so their requests never overlap.
TEST_F(VaultSyncLockTest, TwoSynchronisersSharingAStateFileNeverSyncAtOnce) {
    constexpr int kSyncsPerThread = 4;
    std::atomic<int> inFlight{0};
    std::atomic<int> mostInFlight{0};
    const auto notes = nlohmann::json::array(
        {note("aaaaaaaa-0000-4000-8000-000000000001", "2025-02-03T09:05:41Z", "Plan")});
    server.handle("GET", "/api/notes", [&](const test::RecordedRequest&) {
        const int now = ++inFlight;
        int seen = mostInFlight.load();
        while (now > seen && !mostInFlight.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        --inFlight;
        return test::ScriptedResponse::json(200, {{"notes", notes}});
    });

    auto agent = makeSync();
    auto terminal = makeSync();
    std::atomic<int> written{0};
    const auto run = [&](VaultSync& sync) {
        for (int i = 0; i < kSyncsPerThread; ++i) {
            written += sync.syncNow().filesWritten;
        }
    };
    std::thread first(run, std::ref(*agent));
    std::thread second(run, std::ref(*terminal));
    first.join();
    second.join();

    EXPECT_EQ(server.requestCount("/api/notes"), 2u * kSyncsPerThread);
    EXPECT_EQ(mostInFlight.load(), 1);
    EXPECT_EQ(written.load(), 1) << "the note's file was written once, then left alone";
}

TEST_F(VaultSyncQueueTest, OwnerMayLetGoWhileASyncRuns) {
    auto response = test::ScriptedResponse::json(
        200, {{"notes", nlohmann::json::array({note("aaaaaaaa-0000-4000-8000-000000000001",
                                                    "2025-02-03T09:05:41Z", "Plan")})}});
    response.delaySeconds = 0.05;
    server.respond("GET", "/api/notes", response);

    auto sync = makeSync();
    const std::weak_ptr<VaultSync> watcher = sync;
    sync->syncSoon();
    sync->syncSoon();
    sync->syncSoon();
    ASSERT_TRUE(server.waitForRequests(1));
    sync.reset();

    EXPECT_TRUE(platform.scheduler.runUntil([&] { return watcher.expired(); }));
    EXPECT_FALSE(logLines().empty());
    EXPECT_EQ(logLines().front(), "VaultSync: wrote 1 notes");
}

TEST(SyncLock, UnopenableLockFileHoldsNothing) {
    test::TempDir home;
    test::writeFile(home.path() / "file", "not a folder");
    const SyncLock lock(home.path() / "file" / "vault_state.lock");
    EXPECT_FALSE(lock.isHeld());
}

} // namespace
} // namespace orvendi
