#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/KeyEvents.h"

namespace orvendi {

class Scheduler;

// Turns presses and releases of the dictation key into gesture callbacks. The
// dictation key alone starts a dictation gesture; with Control already held it
// starts a contextual one. Timing (hold, tap, double tap) is left to the owner,
// which only sees downs and ups, each with the time the key moved (`at`, on the
// scheduler's clock) as the key source stamped it.
class FnKeyMonitor {
public:
    enum class ActiveGesture { Dictation, Contextual };

    FnKeyMonitor(KeyEvents& keyEvents, Scheduler& scheduler);
    ~FnKeyMonitor();
    FnKeyMonitor(const FnKeyMonitor&) = delete;
    FnKeyMonitor& operator=(const FnKeyMonitor&) = delete;

    // Assigned by the owner before start(); each may stay empty.
    std::function<void(double at)> onFnDown;
    std::function<void(double at)> onFnUp;
    std::function<void(double at)> onContextDown;
    std::function<void(double at)> onContextUp;
    // Asked when Control is pressed during a dictation gesture: true turns it
    // into a contextual gesture.
    std::function<bool()> onContextUpgrade;
    // Replaces the up callback of a gesture whose release went missing (the
    // key source lost track of the key); when empty the gesture simply ends.
    std::function<void()> onReleaseLost;

    // Starts the system-wide, listen-only key monitor. False when the platform
    // refuses it (the owner may try again later); once running it lives as long
    // as the process.
    bool start();

    std::optional<ActiveGesture> activeGesture() const { return activeGesture_; }

private:
    void handleFlags(KeyFlags flags, double at);
    void handleBothDown(bool fnWasDown, bool controlWasDown, double at);
    void handleFnUp(bool fnWasDown, bool releaseLost, double at);

    KeyEvents& keyEvents_;
    Scheduler& scheduler_;
    bool monitoring_ = false;
    bool fnIsDown_ = false;
    bool controlIsDown_ = false;
    std::optional<ActiveGesture> activeGesture_;
    // The platform's monitor outlives this object; its callbacks reach us only
    // through this handle, which dies with us.
    std::shared_ptr<FnKeyMonitor*> self_;
};

} // namespace orvendi
