#include "platform/linux/qt/QtScheduler.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace orvendi {
namespace {

using SteadyClock = std::chrono::steady_clock;

int millisecondsUntil(SteadyClock::time_point due) {
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(due - SteadyClock::now());
    return static_cast<int>(std::clamp<int64_t>(remaining.count(), 0, INT32_MAX));
}

SteadyClock::time_point dueAfter(double seconds) {
    const auto delay = std::chrono::duration<double>(std::max(0.0, seconds));
    return SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(delay);
}

} // namespace

// Fires on the main thread until invalidated. Its QTimer holds it strongly,
// which is what keeps a valid timer alive; an invalidated timer lets go at its
// next tick (or at once when invalidated on the main thread), so invalidate()
// is safe from any thread.
class QtScheduler::RepeatingTimer : public Timer,
                                    public std::enable_shared_from_this<RepeatingTimer> {
public:
    RepeatingTimer(Task task, QThread* mainThread)
        : task_(std::move(task)), mainThread_(mainThread) {}

    void start(QObject* context, int intervalMs) {
        if (!valid_) {
            return;
        }
        auto* timer = new QTimer(context);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(intervalMs);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, self = shared_from_this()] {
            if (!self->valid_) {
                timer->stop();
                timer->deleteLater();
                return;
            }
            self->task_();
        });
        qtTimer_ = timer;
        timer->start();
    }

    void invalidate() override {
        valid_ = false;
        if (QThread::currentThread() == mainThread_ && qtTimer_) {
            qtTimer_->stop();
            qtTimer_->deleteLater();
        }
    }
    bool isValid() const override { return valid_; }

private:
    Task task_;
    std::atomic<bool> valid_{true};
    QThread* const mainThread_;
    // Main thread only; guarded because the scheduler may delete the timer.
    QPointer<QTimer> qtTimer_;
};

QtScheduler::QtScheduler() : mainContext_(std::make_unique<QObject>()) {}

QtScheduler::~QtScheduler() = default;

double QtScheduler::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool QtScheduler::isMainThread() const {
    return QThread::currentThread() == mainContext_->thread();
}

void QtScheduler::mainAsync(Task task) {
    QMetaObject::invokeMethod(mainContext_.get(), std::move(task), Qt::QueuedConnection);
}

void QtScheduler::mainAfter(double seconds, Task task) {
    if (seconds <= 0) {
        mainAsync(std::move(task));
        return;
    }
    // The delay counts from now, not from when the main thread gets to it.
    const auto due = dueAfter(seconds);
    QObject* context = mainContext_.get();
    mainAsync([context, due, task = std::move(task)]() mutable {
        // A child of the context, so that dropMainTasks() can take it back.
        auto* timer = new QTimer(context);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, task = std::move(task)] {
            timer->deleteLater();
            task();
        });
        timer->start(millisecondsUntil(due));
    });
}

std::shared_ptr<Timer> QtScheduler::repeatingTimer(double intervalSeconds, Task task) {
    auto timer = std::make_shared<RepeatingTimer>(std::move(task), mainContext_->thread());
    const int intervalMs = static_cast<int>(std::lround(std::max(0.0, intervalSeconds) * 1000));
    QObject* context = mainContext_.get();
    mainAsync([timer, context, intervalMs] { timer->start(context, intervalMs); });
    return timer;
}

void QtScheduler::globalAsync(QueuePriority, Task task) {
    workers_.submit(std::move(task));
}

std::shared_ptr<SerialQueue> QtScheduler::serialQueue(const std::string& label) {
    auto queue = std::make_shared<ThreadSerialQueue>(label);
    std::lock_guard lock(queuesMutex_);
    std::erase_if(serialQueues_, [](const auto& weak) { return weak.expired(); });
    serialQueues_.push_back(queue);
    return queue;
}

void QtScheduler::finishBackgroundWork() {
    drainSerialQueues();
    workers_.finish();
    // Workers may have handed work to a serial queue on their way out.
    drainSerialQueues();
}

void QtScheduler::dropMainTasks() {
    QCoreApplication::removePostedEvents(mainContext_.get());
    qDeleteAll(mainContext_->children());
}

void QtScheduler::drainSerialQueues() {
    std::vector<std::weak_ptr<SerialQueue>> queues;
    {
        std::lock_guard lock(queuesMutex_);
        queues = serialQueues_;
    }
    for (const auto& weak : queues) {
        if (auto queue = weak.lock()) {
            queue->sync([] {});
        }
    }
}

} // namespace orvendi
