#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "support/harness/VaultSyncFixture.h"

namespace orvendi {
namespace {

using test::note;

class VaultSyncLockTest : public test::VaultSyncFixture {};

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

} // namespace
} // namespace orvendi
