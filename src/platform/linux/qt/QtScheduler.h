#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/Scheduler.h"
#include "platform/linux/system/WorkerPool.h"

class QObject;

namespace orvendi {

// The agent's scheduler: the main queue is the Qt event loop of the thread
// that created the scheduler (create it on the main thread, after the Qt
// application object); background work runs on std::thread workers.
// Main-queue tasks still queued when the scheduler is destroyed are dropped.
class QtScheduler : public Scheduler {
public:
    QtScheduler();
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    double now() const override;
    bool isMainThread() const override;
    void mainAsync(Task task) override;
    void mainAfter(double seconds, Task task) override;
    std::shared_ptr<Timer> repeatingTimer(double intervalSeconds, Task task) override;
    void globalAsync(QueuePriority priority, Task task) override;
    std::shared_ptr<SerialQueue> serialQueue(const std::string& label) override;

    // Waits for the background work (workers and serial queues) to end. Call it
    // after the event loop, before the services that work uses are destroyed.
    void finishBackgroundWork();
    // Drops the main-queue tasks, delays and timers still waiting, with what
    // they hold, now rather than when the scheduler goes: call it once the
    // event loop that would have run them has ended.
    void dropMainTasks();

private:
    class RepeatingTimer;

    void drainSerialQueues();

    // Receives the main queue's tasks; lives on the main thread.
    std::unique_ptr<QObject> mainContext_;
    std::mutex queuesMutex_;
    std::vector<std::weak_ptr<SerialQueue>> serialQueues_;
    // Declared last so that it finishes (and joins) first: background tasks may
    // still post to the main queue while they wind down.
    WorkerPool workers_;
};

} // namespace orvendi
