#pragma once

#include <optional>
#include <string>

#include "platform/KeyEvents.h"
#include "platform/linux/keys/HeldKey.h"

namespace orvendi {

class Scheduler;

// The session's key monitor plus the dictation key as commands give it
// (`orvendi --dictation press|release`, run by a desktop shortcut): the key
// counts as down while either holds it. Commands drive the gestures even when
// the session's monitor could not start, so a desktop shortcut is always a way
// to dictate. Main thread only.
class CommandKeyEvents : public KeyEvents {
public:
    CommandKeyEvents(KeyEvents& session, Scheduler& scheduler);

    bool startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) override;
    bool postPasteKeystroke() override { return session_.postPasteKeystroke(); }
    std::string dictationKeyName() const override { return session_.dictationKeyName(); }
    std::string monitorAdvice() const override { return session_.monitorAdvice(); }

    // `ranAt`: when the command ran, on the wall clock. Without it, or when it
    // lies further from now than any handing over takes, the command counts
    // as moving the key now.
    void press(std::optional<double> ranAt = std::nullopt);
    void release(std::optional<double> ranAt = std::nullopt);

    static constexpr double kLongestHandOverSeconds = 30;

private:
    void report(bool releaseLost, double at);
    double stampOf(std::optional<double> ranAt) const;

    KeyEvents& session_;
    Scheduler& scheduler_;
    HeldKey command_;
    KeyFlags sessionFlags_;
    KeyFlags reported_;
    std::function<void(KeyFlags flags, double at)> onFlagsChanged_;
};

} // namespace orvendi
