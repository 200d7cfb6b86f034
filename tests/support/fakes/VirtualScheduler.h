#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Scheduler.h"
#include "platform/linux/system/WorkerPool.h"

namespace orvendi::test {

// A scheduler whose clock only moves when the test says so. Main-queue tasks,
// delays and timers run on the test's thread inside advance()/runPending(), in
// due-time order (equal times in submission order). Background queues either run
// on that same timeline (Queued: deterministic, single-threaded) or on real
// threads (Threads: for code that must really block or run concurrently).
// The main thread is the test's thread: the one that created the scheduler.
class VirtualScheduler : public Scheduler {
public:
    enum class Background { Queued, Threads };

    static constexpr double kStartTime = 1'700'000'000.0; // 2023-11-14, any fixed instant works

    explicit VirtualScheduler(Background mode = Background::Queued, double startTime = kStartTime);
    ~VirtualScheduler() override;
    // Waits for the work running on real threads (workers and serial queues);
    // later background work runs on the test's timeline. Call it before the
    // services that work uses are destroyed.
    void finishBackgroundWork();

    double now() const override;
    bool isMainThread() const override;
    void mainAsync(Task task) override;
    void mainAfter(double seconds, Task task) override;
    std::shared_ptr<Timer> repeatingTimer(double intervalSeconds, Task task) override;
    void globalAsync(QueuePriority priority, Task task) override;
    std::shared_ptr<SerialQueue> serialQueue(const std::string& label) override;

    // Moves the clock forward by `seconds`, running every task that falls due on
    // the way at its due time.
    void advance(double seconds);
    // Runs every task due now, including those they add for now.
    void runPending();
    // Threads mode: runs due tasks, waiting up to `realSeconds` of real time for
    // background threads to post more, until `done` holds. Returns done().
    bool runUntil(const std::function<bool()>& done, double realSeconds = 10);
    // Tasks waiting on the timeline (timers included).
    size_t pendingCount() const;

    // The virtual timeline shared by the queued serial queues.
    struct Entry;
    void enqueue(double due, std::shared_ptr<Entry> entry);
    void runSerialBacklog(const void* queueTag);

private:
    void drainThreadQueues();
    class VirtualTimer;
    class QueuedSerialQueue;

    bool runNextDue(double limit);

    Background mode_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    double now_;
    uint64_t sequence_ = 0;
    std::map<std::pair<double, uint64_t>, std::shared_ptr<Entry>> queue_;
    std::unique_ptr<WorkerPool> workers_;
    // The serial queues on real threads, drained before the scheduler goes:
    // their tasks post back to it.
    std::vector<std::weak_ptr<SerialQueue>> threadQueues_;
    const std::thread::id testThread_ = std::this_thread::get_id();
};

} // namespace orvendi::test
