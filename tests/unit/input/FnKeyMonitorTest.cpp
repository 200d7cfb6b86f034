#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/FnKeyMonitor.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi::test {
namespace {

struct Flags {
    bool fn;
    bool control;
};

struct GestureCase {
    const char* name;
    std::vector<Flags> events;
    std::optional<bool> upgradeAnswer; // absent: no upgrade callback installed
    std::vector<std::string> expected;
};

class FnKeyMonitorTest : public ::testing::TestWithParam<GestureCase> {};

// Every callback and every upgrade question, in the order they happen.
std::vector<std::string> run(const GestureCase& gesture) {
    VirtualScheduler scheduler;
    FakeKeyEvents keys;
    FnKeyMonitor monitor(keys, scheduler);
    std::vector<std::string> log;
    monitor.onFnDown = [&](double) { log.push_back("fnDown"); };
    monitor.onFnUp = [&](double) { log.push_back("fnUp"); };
    monitor.onContextDown = [&](double) { log.push_back("contextDown"); };
    monitor.onContextUp = [&](double) { log.push_back("contextUp"); };
    if (gesture.upgradeAnswer) {
        monitor.onContextUpgrade = [&] {
            log.push_back("upgrade?");
            return *gesture.upgradeAnswer;
        };
    }
    EXPECT_TRUE(monitor.start());
    for (const auto& event : gesture.events) {
        keys.send(event.fn, event.control);
    }
    scheduler.runPending();
    return log;
}

TEST_P(FnKeyMonitorTest, CallsTheCallbacksOfTheGesture) {
    EXPECT_EQ(run(GetParam()), GetParam().expected);
}

// Each event is {fn, control}.
// clang-format off
const GestureCase kGestures[] = {
    {"FnAlone", {{true, false}, {false, false}}, std::nullopt, {"fnDown", "fnUp"}},
    {"ControlHeldFirst", {{false, true}, {true, true}, {false, true}, {false, false}},
     std::nullopt, {"contextDown", "contextUp"}},
    {"UpgradeAccepted", {{true, false}, {true, true}, {false, true}},
     true, {"fnDown", "upgrade?", "contextUp"}},
    {"UpgradeRefused", {{true, false}, {true, true}, {true, false}, {false, false}},
     false, {"fnDown", "upgrade?", "fnUp"}},
    {"UpgradeAbsent", {{true, false}, {true, true}, {true, false}, {false, false}},
     std::nullopt, {"fnDown", "fnUp"}},
    {"UpgradeAskedOncePerControlPress",
     {{true, false}, {true, true}, {true, true}, {true, false}, {true, true}, {false, false}},
     false, {"fnDown", "upgrade?", "upgrade?", "fnUp"}},
    {"ContextualIsNotAskedToUpgrade",
     {{false, true}, {true, true}, {true, false}, {true, true}, {false, false}},
     true, {"contextDown", "contextUp"}},
    {"RepeatedFnDownCallsOnce", {{true, false}, {true, false}, {false, false}},
     std::nullopt, {"fnDown", "fnUp"}},
    {"FnUpWhileUpCallsNothing", {{false, false}, {false, true}, {false, false}},
     std::nullopt, {}},
    {"ControlReleasedDuringContextualKeepsKind",
     {{false, true}, {true, true}, {true, false}, {false, false}},
     std::nullopt, {"contextDown", "contextUp"}},
    {"TwoGesturesInARow",
     {{true, false}, {false, false}, {false, true}, {true, true}, {false, false}},
     std::nullopt, {"fnDown", "fnUp", "contextDown", "contextUp"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Gestures, FnKeyMonitorTest, ::testing::ValuesIn(kGestures),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(FnKeyMonitor, RefusedMonitorNeverCallsBack) {
    VirtualScheduler scheduler;
    FakeKeyEvents keys;
    keys.allowMonitor = false;
    FnKeyMonitor monitor(keys, scheduler);
    int calls = 0;
    monitor.onFnDown = [&](double) { ++calls; };
    monitor.onFnUp = [&](double) { ++calls; };

    EXPECT_FALSE(monitor.start());
    keys.send(true, false);
    keys.send(false, false);
    scheduler.runPending();
    EXPECT_EQ(calls, 0);

    keys.allowMonitor = true;
    EXPECT_TRUE(monitor.start()); // the owner retries until it succeeds
    EXPECT_TRUE(monitor.start()); // and a running monitor is not installed twice
    EXPECT_EQ(keys.startCount, 2);
}

TEST(FnKeyMonitor, HandlesFlagsOnTheMainQueueWithTheTimeTheKeyMoved) {
    VirtualScheduler scheduler;
    FakeKeyEvents keys;
    FnKeyMonitor monitor(keys, scheduler);
    std::optional<double> downAt;
    monitor.onFnDown = [&](double at) { downAt = at; };
    ASSERT_TRUE(monitor.start());

    const double movedAt = scheduler.now() - 1;
    keys.send(true, false, movedAt);
    EXPECT_FALSE(downAt);
    scheduler.runPending();
    EXPECT_EQ(downAt, movedAt);
    EXPECT_EQ(monitor.activeGesture(), FnKeyMonitor::ActiveGesture::Dictation);
}

TEST(FnKeyMonitor, FlagsArrivingAfterTheMonitorIsGoneAreDropped) {
    VirtualScheduler scheduler;
    FakeKeyEvents keys;
    int calls = 0;
    {
        FnKeyMonitor monitor(keys, scheduler);
        monitor.onFnDown = [&](double) { ++calls; };
        ASSERT_TRUE(monitor.start());
        keys.send(true, false); // queued while the monitor still exists
    }
    keys.send(false, false);
    scheduler.runPending();
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace orvendi::test
