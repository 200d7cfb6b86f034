#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "support/fakes/VirtualScheduler.h"

namespace orvendi::test {
namespace {

TEST(VirtualScheduler, RunsDueTasksInTimeOrderAndEqualTimesInSubmissionOrder) {
    VirtualScheduler scheduler;
    std::vector<std::string> order;
    scheduler.mainAfter(0.2, [&] { order.push_back("b@0.2"); });
    scheduler.mainAfter(0.1, [&] { order.push_back("a@0.1"); });
    scheduler.mainAfter(0.2, [&] { order.push_back("c@0.2"); });
    scheduler.mainAsync([&] { order.push_back("now"); });

    scheduler.advance(0.15);
    EXPECT_EQ(order, (std::vector<std::string>{"now", "a@0.1"}));
    scheduler.advance(0.05);
    EXPECT_EQ(order, (std::vector<std::string>{"now", "a@0.1", "b@0.2", "c@0.2"}));
}

TEST(VirtualScheduler, TasksSeeTheClockAtTheirDueTime) {
    VirtualScheduler scheduler;
    const double start = scheduler.now();
    double seenNested = 0;
    scheduler.mainAfter(2.5, [&] {
        EXPECT_DOUBLE_EQ(scheduler.now(), start + 2.5);
        scheduler.mainAfter(1.2, [&] { seenNested = scheduler.now(); });
    });
    scheduler.advance(10);
    EXPECT_DOUBLE_EQ(seenNested, start + 3.7);
    EXPECT_DOUBLE_EQ(scheduler.now(), start + 10);
}

TEST(VirtualScheduler, RepeatingTimerFiresEveryIntervalUntilItInvalidatesItself) {
    VirtualScheduler scheduler;
    int ticks = 0;
    std::shared_ptr<Timer> timer;
    timer = scheduler.repeatingTimer(10, [&] {
        if (++ticks == 3) {
            timer->invalidate();
        }
    });
    scheduler.advance(9.99);
    EXPECT_EQ(ticks, 0);
    scheduler.advance(25);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer->isValid());
    scheduler.advance(100);
    EXPECT_EQ(ticks, 3);
}

TEST(VirtualScheduler, QueuedSerialSyncRunsAfterEveryEarlierAsyncOfThatQueue) {
    VirtualScheduler scheduler;
    auto queue = scheduler.serialQueue("recorder");
    auto other = scheduler.serialQueue("vault-sync");
    std::vector<int> order;
    queue->async([&] { order.push_back(1); });
    other->async([&] { order.push_back(9); });
    queue->async([&] { order.push_back(2); });
    queue->sync([&] { order.push_back(3); });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3})) << "the other queue's task is not forced";
    scheduler.runPending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 9}));
    EXPECT_EQ(queue->label(), "recorder");
}

TEST(VirtualScheduler, ThreadsModeRunsBackgroundWorkConcurrentlyAndPostsBackToMain) {
    VirtualScheduler scheduler(VirtualScheduler::Background::Threads);
    std::atomic<int> done{0};
    int onMain = 0;
    for (int i = 0; i < 4; ++i) {
        scheduler.globalAsync(QueuePriority::UserInitiated, [&] {
            ++done;
            scheduler.mainAsync([&] { ++onMain; });
        });
    }
    EXPECT_TRUE(scheduler.runUntil([&] { return onMain == 4; }));
    EXPECT_EQ(done, 4);
}

} // namespace
} // namespace orvendi::test
