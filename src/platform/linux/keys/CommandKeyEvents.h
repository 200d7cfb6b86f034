#pragma once

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

    bool startMonitor(std::function<void(KeyFlags)> onFlagsChanged) override;
    void postPasteKeystroke() override { session_.postPasteKeystroke(); }
    std::string dictationKeyName() const override { return session_.dictationKeyName(); }
    std::string monitorAdvice() const override { return session_.monitorAdvice(); }

    void press() { command_.press(); }
    void release() { command_.release(); }

private:
    void report(bool releaseLost);

    KeyEvents& session_;
    HeldKey command_;
    KeyFlags sessionFlags_;
    KeyFlags reported_;
    std::function<void(KeyFlags)> onFlagsChanged_;
};

} // namespace orvendi
