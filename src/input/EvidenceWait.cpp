#include "input/EvidenceWait.h"

#include <algorithm>
#include <memory>

#include "platform/Scheduler.h"

namespace orvendi::EvidenceWait {
namespace {

struct Poll : std::enable_shared_from_this<Poll> {
    Scheduler& scheduler;
    double deadline;
    std::function<bool()> evidence;
    std::function<void(bool)> then;

    Poll(Scheduler& s, double d, std::function<bool()> e, std::function<void(bool)> t)
        : scheduler(s), deadline(d), evidence(std::move(e)), then(std::move(t)) {}

    void look() {
        if (evidence()) {
            then(true);
            return;
        }
        const double left = deadline - scheduler.now();
        // Clock times near 1.7e9 s resolve about 0.2 µs: a remainder below
        // that would never move the clock.
        constexpr double kClockResolution = 1e-6;
        if (left <= kClockResolution) {
            then(false);
            return;
        }
        // The last look falls on the deadline itself, not a step beyond it.
        scheduler.mainAfter(std::min(kStepSeconds, left),
                            [self = shared_from_this()] { self->look(); });
    }
};

} // namespace

void until(Scheduler& scheduler, double boundSeconds, std::function<bool()> evidence,
           std::function<void(bool seen)> then) {
    std::make_shared<Poll>(scheduler, scheduler.now() + boundSeconds, std::move(evidence),
                           std::move(then))
        ->look();
}

} // namespace orvendi::EvidenceWait
