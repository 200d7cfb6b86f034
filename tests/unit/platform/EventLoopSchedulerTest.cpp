#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/linux/system/EventLoopScheduler.h"

namespace orvendi {
namespace {

TEST(EventLoopScheduler, RunsDelaysInOrderOnTheLoopThread) {
    EventLoopScheduler scheduler;
    std::vector<int> order;
    const auto loopThread = std::this_thread::get_id();
    scheduler.mainAfter(0.03, [&] { order.push_back(3); });
    scheduler.mainAfter(0.01, [&] { order.push_back(2); });
    scheduler.mainAsync([&] {
        EXPECT_EQ(std::this_thread::get_id(), loopThread);
        order.push_back(1);
    });
    EXPECT_TRUE(scheduler.runUntil([&] { return order.size() == 3; }, 5));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoopScheduler, BackgroundWorkPostsBackAndQuitEndsRun) {
    EventLoopScheduler scheduler;
    std::atomic<bool> ranElsewhere{false};
    const auto loopThread = std::this_thread::get_id();
    scheduler.globalAsync(QueuePriority::Utility, [&] {
        ranElsewhere = std::this_thread::get_id() != loopThread;
        scheduler.mainAsync([&] { scheduler.quit(); });
    });
    scheduler.run();
    EXPECT_TRUE(ranElsewhere);
}

TEST(EventLoopScheduler, BlockedBackgroundTasksDoNotStarveNewOnes) {
    EventLoopScheduler scheduler;
    std::atomic<bool> release{false};
    std::atomic<int> finished{0};
    for (int i = 0; i < 6; ++i) {
        scheduler.globalAsync(QueuePriority::UserInitiated, [&] {
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ++finished;
        });
    }
    std::atomic<bool> lateTaskRan{false};
    scheduler.globalAsync(QueuePriority::Utility, [&] { lateTaskRan = true; });
    EXPECT_TRUE(scheduler.runUntil([&] { return lateTaskRan.load(); }, 5));
    release = true;
    EXPECT_TRUE(scheduler.runUntil([&] { return finished == 6; }, 5));
}

TEST(EventLoopScheduler, RepeatingTimerStopsWhenInvalidated) {
    EventLoopScheduler scheduler;
    int ticks = 0;
    std::shared_ptr<Timer> timer = scheduler.repeatingTimer(0.005, [&] {
        if (++ticks == 3) {
            timer->invalidate();
        }
    });
    ASSERT_TRUE(scheduler.runUntil([&] { return ticks >= 3; }, 10));
    // Several more periods: a timer that kept firing would tick again by now.
    scheduler.runUntil([] { return false; }, 0.05);
    EXPECT_EQ(ticks, 3);
}

// The serial queues of both the agent's and the terminal tool's scheduler.
TEST(ThreadSerialQueue, RunsOneTaskAtATimeAndSyncWaitsForEarlierWritesInOrder) {
    EventLoopScheduler scheduler;
    auto queue = scheduler.serialQueue("recorder");
    EXPECT_EQ(queue->label(), "recorder");
    std::vector<int> order; // touched only on the queue's thread, then read after sync
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 100; ++i) {
        queue->async([&, i] {
            overlapped = overlapped || running.fetch_add(1) != 0;
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    size_t seen = 0;
    queue->sync([&] { seen = order.size(); });
    EXPECT_EQ(seen, 100u);
    EXPECT_FALSE(overlapped);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

} // namespace
} // namespace orvendi
