#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <vector>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtScheduler.h"

namespace orvendi::test {
namespace {

bool onMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Each case starts a desktop session of its own, so related rules share a case.
TEST(QtScheduler, MainQueueRunsTasksInOrderOnTheMainThreadAndDelaysInDueOrder) {
    QtScheduler scheduler;
    std::vector<int> order;
    std::atomic<int> offMain{0};
    scheduler.mainAsync([&] { order.push_back(1); });
    scheduler.mainAsync([&] { order.push_back(2); });
    // Posted from a worker only after 1 and 2 are queued, so it comes last.
    scheduler.globalAsync(QueuePriority::Utility, [&] {
        scheduler.mainAsync([&] {
            offMain += onMainThread() ? 0 : 1;
            order.push_back(3);
        });
    });
    ASSERT_TRUE(processEventsUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(offMain, 0);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::vector<std::pair<int, double>> runs;
    auto record = [&](int id) {
        return [&, id] {
            runs.emplace_back(id, std::chrono::duration<double>(Clock::now() - start).count());
        };
    };
    scheduler.mainAfter(0.30, record(3));
    scheduler.mainAfter(0.10, record(1));
    // Asked from a worker: the delay still counts from the request.
    scheduler.globalAsync(QueuePriority::UserInitiated,
                          [&] { scheduler.mainAfter(0.20, record(2)); });
    ASSERT_TRUE(processEventsUntil([&] { return runs.size() == 3; }, 5));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(runs[i].first, i + 1);
        EXPECT_GE(runs[i].second, 0.1 * (i + 1) - 0.001);
    }
}

TEST(QtScheduler, TimerFiresUntilInvalidatedFromAnotherThreadAndTasksDieWithTheScheduler) {
    QtScheduler scheduler;
    std::atomic<int> fired{0};
    std::weak_ptr<Timer> weak = scheduler.repeatingTimer(0.02, [&] { ++fired; });
    ASSERT_TRUE(processEventsUntil([&] { return fired >= 3; }, 5)) << "stopped with its owner";
    const auto timer = weak.lock();
    ASSERT_TRUE(timer);
    EXPECT_TRUE(timer->isValid());

    std::atomic<bool> invalidated{false};
    scheduler.globalAsync(QueuePriority::Utility, [&] {
        timer->invalidate();
        invalidated = true;
    });
    ASSERT_TRUE(processEventsUntil([&] { return invalidated.load(); }));
    const int afterInvalidate = fired;
    processEventsFor(0.2);
    EXPECT_EQ(fired, afterInvalidate);
    EXPECT_FALSE(timer->isValid());

    // Tasks still queued when their scheduler goes never run. (Its serial
    // queues are the shared ThreadSerialQueue: EventLoopSchedulerTest.)
    bool ran = false;
    {
        QtScheduler gone;
        gone.mainAsync([&] { ran = true; });
        gone.mainAfter(0.01, [&] { ran = true; });
    }
    processEventsFor(0.1);
    EXPECT_FALSE(ran) << "a task queued when the scheduler went still ran";
}

} // namespace
} // namespace orvendi::test
