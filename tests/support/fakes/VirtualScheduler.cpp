#include "support/fakes/VirtualScheduler.h"

#include <atomic>
#include <chrono>

namespace orvendi::test {

struct VirtualScheduler::Entry {
    Task task;
    double interval = 0; // repeating timers only
    std::shared_ptr<std::atomic<bool>> valid;
    const void* queueTag = nullptr; // queued serial-queue tasks only
};

class VirtualScheduler::VirtualTimer : public Timer {
public:
    explicit VirtualTimer(std::shared_ptr<std::atomic<bool>> valid) : valid_(std::move(valid)) {}
    void invalidate() override { *valid_ = false; }
    bool isValid() const override { return *valid_; }

private:
    std::shared_ptr<std::atomic<bool>> valid_;
};

class VirtualScheduler::QueuedSerialQueue : public SerialQueue {
public:
    QueuedSerialQueue(VirtualScheduler& scheduler, std::string label)
        : scheduler_(scheduler), label_(std::move(label)) {}

    void async(Task task) override {
        auto entry = std::make_shared<Entry>();
        entry->task = std::move(task);
        entry->queueTag = this;
        scheduler_.enqueue(scheduler_.now(), std::move(entry));
    }
    void sync(Task task) override {
        scheduler_.runSerialBacklog(this);
        task();
    }
    const std::string& label() const override { return label_; }

private:
    VirtualScheduler& scheduler_;
    std::string label_;
};

VirtualScheduler::VirtualScheduler(Background mode, double startTime)
    : mode_(mode), now_(startTime) {
    if (mode_ == Background::Threads) {
        workers_ = std::make_unique<WorkerPool>();
    }
}

VirtualScheduler::~VirtualScheduler() {
    finishBackgroundWork();
}

void VirtualScheduler::finishBackgroundWork() {
    drainThreadQueues();
    workers_.reset();
    // Workers may have handed work to a serial queue on their way out.
    drainThreadQueues();
}

void VirtualScheduler::drainThreadQueues() {
    std::vector<std::weak_ptr<SerialQueue>> queues;
    {
        std::lock_guard lock(mutex_);
        queues = threadQueues_;
    }
    for (const auto& weakQueue : queues) {
        if (auto queue = weakQueue.lock()) {
            queue->sync([] {});
        }
    }
}

bool VirtualScheduler::isMainThread() const {
    return std::this_thread::get_id() == testThread_;
}

double VirtualScheduler::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void VirtualScheduler::enqueue(double due, std::shared_ptr<Entry> entry) {
    {
        std::lock_guard lock(mutex_);
        queue_.emplace(std::make_pair(due, sequence_++), std::move(entry));
    }
    posted_.notify_all();
}

void VirtualScheduler::mainAsync(Task task) {
    mainAfter(0, std::move(task));
}

void VirtualScheduler::mainAfter(double seconds, Task task) {
    auto entry = std::make_shared<Entry>();
    entry->task = std::move(task);
    enqueue(now() + std::max(0.0, seconds), std::move(entry));
}

std::shared_ptr<Timer> VirtualScheduler::repeatingTimer(double intervalSeconds, Task task) {
    auto entry = std::make_shared<Entry>();
    entry->task = std::move(task);
    entry->interval = intervalSeconds;
    entry->valid = std::make_shared<std::atomic<bool>>(true);
    auto timer = std::make_shared<VirtualTimer>(entry->valid);
    enqueue(now() + intervalSeconds, std::move(entry));
    return timer;
}

void VirtualScheduler::globalAsync(QueuePriority, Task task) {
    if (workers_) {
        workers_->submit(std::move(task));
    } else {
        mainAsync(std::move(task));
    }
}

std::shared_ptr<SerialQueue> VirtualScheduler::serialQueue(const std::string& label) {
    if (mode_ == Background::Threads) {
        auto queue = std::make_shared<ThreadSerialQueue>(label);
        std::lock_guard lock(mutex_);
        threadQueues_.push_back(queue);
        return queue;
    }
    return std::make_shared<QueuedSerialQueue>(*this, label);
}

void VirtualScheduler::runSerialBacklog(const void* queueTag) {
    for (;;) {
        std::shared_ptr<Entry> entry;
        {
            std::lock_guard lock(mutex_);
            for (auto it = queue_.begin(); it != queue_.end(); ++it) {
                if (it->second->queueTag == queueTag) {
                    entry = std::move(it->second);
                    queue_.erase(it);
                    break;
                }
            }
        }
        if (!entry) {
            return;
        }
        entry->task();
    }
}

bool VirtualScheduler::runNextDue(double limit) {
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || queue_.begin()->first.first > limit) {
            return false;
        }
        now_ = std::max(now_, queue_.begin()->first.first);
        entry = std::move(queue_.begin()->second);
        queue_.erase(queue_.begin());
    }
    if (entry->valid && !*entry->valid) {
        return true;
    }
    entry->task();
    if (entry->valid && *entry->valid) {
        enqueue(now() + entry->interval, entry);
    }
    return true;
}

void VirtualScheduler::advance(double seconds) {
    const double target = now() + seconds;
    while (runNextDue(target)) {
    }
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, target);
}

void VirtualScheduler::runPending() {
    while (runNextDue(now())) {
    }
}

bool VirtualScheduler::runUntil(const std::function<bool()>& done, double realSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int64_t>(realSeconds * 1000));
    while (!done()) {
        if (runNextDue(now())) {
            continue;
        }
        std::unique_lock lock(mutex_);
        const bool dueNow = !queue_.empty() && queue_.begin()->first.first <= now_;
        if (!dueNow &&
            posted_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                            std::chrono::milliseconds(20))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return done();
        }
    }
    return true;
}

size_t VirtualScheduler::pendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace orvendi::test
