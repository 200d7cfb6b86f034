#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Scheduler.h"

namespace orvendi {

// Runs tasks on background threads. A task never waits for a free worker: the
// pool starts another thread when all are busy (background tasks block on
// network requests for up to minutes). Idle threads are kept for reuse.
// The destructor finishes queued tasks and joins every thread.
class WorkerPool {
public:
    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(Task task);
    // Runs the queued tasks to their end and joins every thread. A task
    // submitted later still runs, on a thread of its own that the destructor joins.
    void finish();

private:
    void workerLoop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

// A serial queue on its own worker thread.
class ThreadSerialQueue : public SerialQueue {
public:
    explicit ThreadSerialQueue(std::string label);
    ~ThreadSerialQueue() override;

    void async(Task task) override;
    void sync(Task task) override;
    const std::string& label() const override { return label_; }

private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace orvendi
