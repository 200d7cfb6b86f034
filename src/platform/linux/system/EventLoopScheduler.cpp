#include "platform/linux/system/EventLoopScheduler.h"

#include <algorithm>

namespace orvendi {

struct EventLoopScheduler::Entry {
    Task task;
    // Repeating timers only: the interval and whether it still fires.
    std::chrono::nanoseconds interval{0};
    std::shared_ptr<std::atomic<bool>> valid;
};

class EventLoopScheduler::LoopTimer : public Timer {
public:
    explicit LoopTimer(std::shared_ptr<std::atomic<bool>> valid) : valid_(std::move(valid)) {}
    void invalidate() override { *valid_ = false; }
    bool isValid() const override { return *valid_; }

private:
    std::shared_ptr<std::atomic<bool>> valid_;
};

namespace {

std::chrono::nanoseconds toDuration(double seconds) {
    return std::chrono::nanoseconds(static_cast<int64_t>(std::max(0.0, seconds) * 1e9));
}

} // namespace

EventLoopScheduler::~EventLoopScheduler() = default;

double EventLoopScheduler::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void EventLoopScheduler::schedule(Clock::time_point due, std::shared_ptr<Entry> entry) {
    {
        std::lock_guard lock(mutex_);
        queue_.emplace(std::make_pair(due, sequence_++), std::move(entry));
    }
    wake_.notify_all();
}

void EventLoopScheduler::mainAsync(Task task) {
    mainAfter(0, std::move(task));
}

void EventLoopScheduler::mainAfter(double seconds, Task task) {
    auto entry = std::make_shared<Entry>();
    entry->task = std::move(task);
    schedule(Clock::now() + toDuration(seconds), std::move(entry));
}

std::shared_ptr<Timer> EventLoopScheduler::repeatingTimer(double intervalSeconds, Task task) {
    auto entry = std::make_shared<Entry>();
    entry->task = std::move(task);
    entry->interval = toDuration(intervalSeconds);
    entry->valid = std::make_shared<std::atomic<bool>>(true);
    auto timer = std::make_shared<LoopTimer>(entry->valid);
    const auto due = Clock::now() + entry->interval;
    schedule(due, std::move(entry));
    return timer;
}

void EventLoopScheduler::globalAsync(QueuePriority, Task task) {
    workers_.submit(std::move(task));
}

std::shared_ptr<SerialQueue> EventLoopScheduler::serialQueue(const std::string& label) {
    return std::make_shared<ThreadSerialQueue>(label);
}

bool EventLoopScheduler::runOne(Clock::time_point deadline) {
    std::shared_ptr<Entry> entry;
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (quitting_) {
                return false;
            }
            const auto now = Clock::now();
            if (!queue_.empty() && queue_.begin()->first.first <= now) {
                break;
            }
            if (now >= deadline) {
                return false;
            }
            const auto wakeAt =
                queue_.empty() ? deadline : std::min(deadline, queue_.begin()->first.first);
            if (wakeAt == Clock::time_point::max()) {
                wake_.wait(lock);
            } else {
                wake_.wait_until(lock, wakeAt);
            }
        }
        entry = std::move(queue_.begin()->second);
        queue_.erase(queue_.begin());
    }
    if (entry->valid && !*entry->valid) {
        return true; // an invalidated timer is dropped
    }
    entry->task();
    if (entry->valid && *entry->valid) {
        schedule(Clock::now() + entry->interval, entry);
    }
    return true;
}

bool EventLoopScheduler::isMainThread() const {
    return std::this_thread::get_id() == mainThread_.load();
}

void EventLoopScheduler::run() {
    mainThread_ = std::this_thread::get_id();
    quitting_ = false;
    while (!quitting_) {
        runOne(Clock::time_point::max());
    }
}

void EventLoopScheduler::quit() {
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
}

bool EventLoopScheduler::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    const auto deadline = Clock::now() + toDuration(timeoutSeconds);
    // Background threads may make `done` true without posting to the loop, so
    // look at it again at least every few milliseconds.
    constexpr auto kPollInterval = std::chrono::milliseconds(5);
    mainThread_ = std::this_thread::get_id();
    quitting_ = false;
    while (!done()) {
        const auto sliceEnd = std::min(deadline, Clock::now() + kPollInterval);
        if (!runOne(sliceEnd) && (quitting_ || Clock::now() >= deadline)) {
            return done();
        }
    }
    return true;
}

} // namespace orvendi
