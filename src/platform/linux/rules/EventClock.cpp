#include "platform/linux/rules/EventClock.h"

#include <cmath>

#include "platform/Scheduler.h"

namespace orvendi {
namespace {

constexpr double kMillisecondsPerSecond = 1000;

} // namespace

EventClock::EventClock(Scheduler& scheduler, Counter counter)
    : scheduler_(scheduler), counter_(counter) {}

// Signed, so that an event stamped slightly before the previous one (two
// devices, two sources) steps back instead of a whole wrap forward.
int64_t EventClock::stepFromLast(uint64_t eventMs) const {
    if (counter_ == Counter::Bits32) {
        return int32_t(uint32_t(eventMs) - uint32_t(lastMs_));
    }
    return int64_t(eventMs - lastMs_);
}

double EventClock::at(uint64_t eventMs) {
    const double readAt = scheduler_.now();
    unwrappedMs_ = anchored_ ? unwrappedMs_ + stepFromLast(eventMs) : 0;
    lastMs_ = eventMs;
    double stamped = originSeconds_ + double(unwrappedMs_) / kMillisecondsPerSecond;
    if (!anchored_ || std::fabs(stamped - readAt) > kReanchorSeconds) {
        anchored_ = true;
        originSeconds_ = readAt - double(unwrappedMs_) / kMillisecondsPerSecond;
        stamped = readAt;
    }
    return stamped;
}

} // namespace orvendi
