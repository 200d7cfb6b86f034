#include "platform/linux/keys/CommandKeyEvents.h"

namespace orvendi {

CommandKeyEvents::CommandKeyEvents(KeyEvents& session, Scheduler& scheduler)
    : session_(session), command_(scheduler, [this](HeldKey::Change change) {
          report(change == HeldKey::Change::UpLost);
      }) {}

bool CommandKeyEvents::startMonitor(std::function<void(KeyFlags)> onFlagsChanged) {
    onFlagsChanged_ = std::move(onFlagsChanged);
    return session_.startMonitor([this](KeyFlags flags) {
        sessionFlags_ = flags;
        report(flags.releaseLost);
    });
}

void CommandKeyEvents::report(bool releaseLost) {
    KeyFlags merged{sessionFlags_.dictationKeyDown || command_.isDown(), sessionFlags_.controlDown};
    merged.releaseLost = releaseLost && !merged.dictationKeyDown;
    const bool changed = merged.dictationKeyDown != reported_.dictationKeyDown ||
                         merged.controlDown != reported_.controlDown;
    reported_ = merged;
    if (changed && onFlagsChanged_) {
        onFlagsChanged_(merged);
    }
}

} // namespace orvendi
