#pragma once

#include <functional>

namespace orvendi {

class Scheduler;

// Waits on the main queue, without blocking it, until something the next step
// needs can be seen (a window back in front, the clipboard readable), looking
// again every kStepSeconds. `then` hears whether it was seen: at once when it
// already holds, otherwise as soon as it does, or with false once `boundSeconds`
// have passed without it.
namespace EvidenceWait {

inline constexpr double kStepSeconds = 0.005;

void until(Scheduler& scheduler, double boundSeconds, std::function<bool()> evidence,
           std::function<void(bool seen)> then);

} // namespace EvidenceWait
} // namespace orvendi
