#pragma once

#include <cstdint>

namespace orvendi {

class Scheduler;

// Turns the millisecond times an event source stamps its events with (the X
// server's time, a shortcuts portal's timestamp) into the scheduler's clock.
// Such a counter starts at no particular instant, so it is anchored to the
// scheduler's clock when the first event is read and kept there: the interval
// between two events stays what the source measured, however late either of
// them is read. The X server's 32-bit counter wraps every 49.7 days; the step
// from one event to the next is taken modulo its width. Only a gap far beyond
// any busy spell (the wall clock set, the machine resumed from sleep) anchors
// the clocks again.
class EventClock {
public:
    enum class Counter { Bits32, Bits64 };

    // A reading further than this from the anchored time anchors again.
    static constexpr double kReanchorSeconds = 30;

    EventClock(Scheduler& scheduler, Counter counter);

    // The scheduler's time of an event the source stamped `eventMs`, read now.
    double at(uint64_t eventMs);

private:
    int64_t stepFromLast(uint64_t eventMs) const;

    Scheduler& scheduler_;
    Counter counter_;
    bool anchored_ = false;
    uint64_t lastMs_ = 0;
    // The last event's time on an unwrapped millisecond count, and that count's
    // origin on the scheduler's clock.
    int64_t unwrappedMs_ = 0;
    double originSeconds_ = 0;
};

} // namespace orvendi
