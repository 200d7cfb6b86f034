#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orvendi {

using Task = std::function<void()>;

// Priorities of the global background queues.
enum class QueuePriority { UserInitiated, Utility };

// A repeating main-loop timer. It keeps firing until invalidated; the scheduler
// keeps it alive while it is valid, so owners may hold it weakly or strongly.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

// A labelled queue that runs its tasks one at a time, in submission order.
class SerialQueue {
public:
    virtual ~SerialQueue() = default;
    virtual void async(Task task) = 0;
    // Runs the task after every task submitted before it and waits for it.
    // Never call it from a task of the same queue.
    virtual void sync(Task task) = 0;
    virtual const std::string& label() const = 0;
};

// Where and when work runs: the main queue (the thread that runs the event
// loop), global background queues, labelled serial queues and the wall clock.
// All methods may be called from any thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Wall-clock time in seconds since 1970-01-01 00:00 UTC.
    virtual double now() const = 0;
    // True on the thread that runs the main queue.
    virtual bool isMainThread() const = 0;

    virtual void mainAsync(Task task) = 0;
    virtual void mainAfter(double seconds, Task task) = 0;
    virtual std::shared_ptr<Timer> repeatingTimer(double intervalSeconds, Task task) = 0;

    virtual void globalAsync(QueuePriority priority, Task task) = 0;
    virtual std::shared_ptr<SerialQueue> serialQueue(const std::string& label) = 0;
};

// "The distant past" of the time fields that start far before any real event.
inline constexpr double kDistantPast = -62135596800.0;

} // namespace orvendi
