#pragma once

#include <functional>
#include <string>

namespace orvendi {

// The two modifier states the gesture monitor follows: the dictation key (the
// Fn key's role) and the other Control key.
struct KeyFlags {
    bool dictationKeyDown = false;
    bool controlDown = false;
    // With the dictation key up: its release never came, the source lost
    // track of the key (the user may still hold it, or let go long ago).
    bool releaseLost = false;
    bool operator==(const KeyFlags&) const = default;
};

class KeyEvents {
public:
    virtual ~KeyEvents() = default;
    // Starts a listen-only, system-wide monitor that calls onFlagsChanged on the
    // main thread for every change of the flags. False when the platform refuses;
    // the monitor then never calls back.
    //
    // `at` is when the key moved, on the scheduler's clock: the event's own time
    // where the source has one, else when the platform read the event. A busy
    // main thread may hand over a press and its release together long after;
    // the gestures are timed by `at`, never by when the callback runs.
    virtual bool startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) = 0;
    // Posts the paste keystroke to the frontmost application (the platform picks
    // the keystroke the focused window understands). False when the session
    // has no way to send it to that window: the user has to paste by hand.
    virtual bool postPasteKeystroke() = 0;
    // A readable name of the dictation key, for messages and menus.
    virtual std::string dictationKeyName() const = 0;
    // When the monitor cannot start: one sentence telling the user what to do
    // once for a working dictation key. Empty where the generic warning fits.
    virtual std::string monitorAdvice() const { return {}; }
};

} // namespace orvendi
