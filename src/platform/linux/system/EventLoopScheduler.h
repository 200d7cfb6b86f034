#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/Scheduler.h"
#include "platform/linux/system/WorkerPool.h"

namespace orvendi {

// A scheduler for programs without a GUI toolkit (the terminal tool, the
// integration tests): the main queue is whichever thread calls run() or
// runUntil() (until then, the thread that created it); background work goes
// to std::thread workers.
class EventLoopScheduler : public Scheduler {
public:
    EventLoopScheduler() = default;
    ~EventLoopScheduler() override;

    double now() const override;
    bool isMainThread() const override;
    void mainAsync(Task task) override;
    void mainAfter(double seconds, Task task) override;
    std::shared_ptr<Timer> repeatingTimer(double intervalSeconds, Task task) override;
    void globalAsync(QueuePriority priority, Task task) override;
    std::shared_ptr<SerialQueue> serialQueue(const std::string& label) override;

    // Runs main-queue tasks until quit() is called.
    void run();
    void quit();
    // Runs main-queue tasks until `done` returns true (checked after each task
    // and every few milliseconds) or the timeout passes. Returns done().
    bool runUntil(const std::function<bool()>& done, double timeoutSeconds);

private:
    using Clock = std::chrono::steady_clock;
    struct Entry;
    class LoopTimer;

    void schedule(Clock::time_point due, std::shared_ptr<Entry> entry);
    // Waits until a task is due or `deadline`; runs at most one task.
    bool runOne(Clock::time_point deadline);

    std::mutex mutex_;
    std::condition_variable wake_;
    // Ordered by due time, then by submission order.
    std::map<std::pair<Clock::time_point, uint64_t>, std::shared_ptr<Entry>> queue_;
    uint64_t sequence_ = 0;
    std::atomic<bool> quitting_{false};
    std::atomic<std::thread::id> mainThread_{std::this_thread::get_id()};
    WorkerPool workers_;
};

} // namespace orvendi
