#pragma once

#include <memory>

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

private:
    class RepeatingTimer;

    // Receives the main queue's tasks; lives on the main thread.
    std::unique_ptr<QObject> mainContext_;
    // Declared last so that it finishes (and joins) first: background tasks may
    // still post to the main queue while they wind down.
    WorkerPool workers_;
};

} // namespace orvendi
