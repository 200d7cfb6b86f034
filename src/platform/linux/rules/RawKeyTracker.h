#pragma once

#include <optional>
#include <set>
#include <utility>

#include "platform/KeyEvents.h"

namespace orvendi {

// Turns the raw key presses and releases of every keyboard into the two flags
// of the gesture monitor. A key counts as down while any keyboard holds it, so
// two keyboards do not release each other's keys; repeats change nothing.
class RawKeyTracker {
public:
    void setKeycodes(std::set<int> dictationKeycodes, std::set<int> controlKeycodes);

    // The new flags when the event changed them.
    std::optional<KeyFlags> press(int sourceDevice, int keycode);
    std::optional<KeyFlags> release(int sourceDevice, int keycode);

    KeyFlags flags() const { return reported_; }

private:
    std::optional<KeyFlags> report();
    bool anyHeld(const std::set<int>& keycodes) const;

    std::set<int> dictationKeycodes_;
    std::set<int> controlKeycodes_;
    std::set<std::pair<int, int>> held_; // (keycode, source device)
    KeyFlags reported_;
};

} // namespace orvendi
