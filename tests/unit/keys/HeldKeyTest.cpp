#include <gtest/gtest.h>

#include "platform/linux/keys/CommandKeyEvents.h"
#include "platform/linux/keys/HeldKey.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi::test {
namespace {

using Change = HeldKey::Change;

class HeldKeyTest : public ::testing::Test {
protected:
    static constexpr double kLongestHold = 10;
    VirtualScheduler scheduler;
    std::vector<Change> changes;
    HeldKey key{scheduler, [this](Change change, double) { changes.push_back(change); },
                kLongestHold};
};

// Portals repeat the press while the key is held; stray releases happen.
TEST_F(HeldKeyTest, RepeatedPressesAndStrayReleasesChangeNothing) {
    key.release();
    key.press();
    key.press();
    key.press();
    key.release();
    key.release();
    EXPECT_EQ(changes, (std::vector<Change>{Change::Down, Change::Up}));
}

// A release that never comes ends the hold as lost; an earlier press's limit
// does not cut a later press short.
TEST_F(HeldKeyTest, AHoldBeyondTheLongestIsLost) {
    key.press();
    scheduler.advance(kLongestHold - 1);
    key.release();
    key.press();
    scheduler.advance(kLongestHold - 1);
    EXPECT_TRUE(key.isDown());
    scheduler.advance(1);
    EXPECT_FALSE(key.isDown());
    key.lose();
    EXPECT_EQ(changes,
              (std::vector<Change>{Change::Down, Change::Up, Change::Down, Change::UpLost}));
}

// `orvendi --dictation press|release` works even when the session's monitor
// refused to start, and joins it when it runs: the key is down while either
// holds it.
TEST(CommandKeyEvents, CommandsAndTheSessionMonitorHoldTheKeyTogether) {
    VirtualScheduler scheduler;
    FakeKeyEvents session;
    session.allowMonitor = false;
    CommandKeyEvents keys(session, scheduler);
    std::vector<KeyFlags> reported;
    EXPECT_FALSE(keys.startMonitor([&](KeyFlags flags, double) { reported.push_back(flags); }));
    keys.press();
    keys.release();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_TRUE(reported[0].dictationKeyDown);
    EXPECT_FALSE(reported[1].dictationKeyDown);

    session.allowMonitor = true;
    reported.clear();
    ASSERT_TRUE(keys.startMonitor([&](KeyFlags flags, double) { reported.push_back(flags); }));
    session.send(true, false);
    keys.press();
    session.send(false, false); // the command still holds it
    keys.release();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_FALSE(reported[1].dictationKeyDown);
    EXPECT_FALSE(reported[1].releaseLost);

    // A press-only desktop shortcut: the release never comes.
    reported.clear();
    keys.press();
    scheduler.advance(HeldKey::kLongestHoldSeconds);
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_TRUE(reported[1].releaseLost);
}

// A command counts from when it ran, unless that is too far from now to trust.
TEST(CommandKeyEvents, CommandsAreTimedByWhenTheyRan) {
    VirtualScheduler scheduler;
    FakeKeyEvents session;
    CommandKeyEvents keys(session, scheduler);
    std::vector<double> stamps;
    ASSERT_TRUE(keys.startMonitor([&](KeyFlags, double at) { stamps.push_back(at); }));
    const double now = scheduler.now();
    keys.press(now - 0.8);
    keys.release(now - 3600);
    EXPECT_EQ(stamps, (std::vector<double>{now - 0.8, now}));
}

} // namespace
} // namespace orvendi::test
