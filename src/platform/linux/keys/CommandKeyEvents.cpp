#include "platform/linux/keys/CommandKeyEvents.h"

#include <cmath>

#include "platform/Scheduler.h"

namespace orvendi {

CommandKeyEvents::CommandKeyEvents(KeyEvents& session, Scheduler& scheduler)
    : session_(session), scheduler_(scheduler),
      command_(scheduler, [this](HeldKey::Change change, double at) {
          report(change == HeldKey::Change::UpLost, at);
      }) {}

bool CommandKeyEvents::startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) {
    onFlagsChanged_ = std::move(onFlagsChanged);
    return session_.startMonitor([this](KeyFlags flags, double at) {
        sessionFlags_ = flags;
        report(flags.releaseLost, at);
    });
}

void CommandKeyEvents::press(std::optional<double> ranAt) {
    command_.press(stampOf(ranAt));
}

void CommandKeyEvents::release(std::optional<double> ranAt) {
    command_.release(stampOf(ranAt));
}

double CommandKeyEvents::stampOf(std::optional<double> ranAt) const {
    const double now = scheduler_.now();
    return ranAt && std::fabs(now - *ranAt) <= kLongestHandOverSeconds ? *ranAt : now;
}

void CommandKeyEvents::report(bool releaseLost, double at) {
    KeyFlags merged{sessionFlags_.dictationKeyDown || command_.isDown(), sessionFlags_.controlDown};
    merged.releaseLost = releaseLost && !merged.dictationKeyDown;
    const bool changed = merged.dictationKeyDown != reported_.dictationKeyDown ||
                         merged.controlDown != reported_.controlDown;
    reported_ = merged;
    if (changed && onFlagsChanged_) {
        onFlagsChanged_(merged, at);
    }
}

} // namespace orvendi
