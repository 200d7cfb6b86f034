#include <gtest/gtest.h>

#include "support/harness/VaultSyncFixture.h"

namespace orvendi {
namespace {

using test::note;

// Syncs on a real "vault-sync" thread, with the main queue on the test's thread.
class VaultSyncQueueTest : public test::VaultSyncFixture {
protected:
    VaultSyncQueueTest() : VaultSyncFixture(test::VirtualScheduler::Background::Threads) {}
};

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

} // namespace
} // namespace orvendi
