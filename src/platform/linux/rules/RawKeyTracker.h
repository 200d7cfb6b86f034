#pragma once

#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/KeyEvents.h"

namespace orvendi {

// Turns the raw key presses and releases of every keyboard into the two flags
// of the gesture monitor. A key counts as down while any keyboard holds it, so
// two keyboards do not release each other's keys; repeats change nothing.
//
// The agent's own paste keystroke comes back through the XTest device like a
// key the user pressed. With a Control key as the dictation key it would start
// or end a dictation, so the keys of a posted keystroke are announced here and
// their press and release from a synthesizing device change no flag.
class RawKeyTracker {
public:
    void setKeycodes(std::set<int> dictationKeycodes, std::set<int> controlKeycodes);
    // The XTest devices: the source of every synthesized key event.
    void setSynthesizingDevices(std::set<int> devices);
    // The agent is about to press and release `keycodes` through XTest.
    void expectSynthesized(const std::vector<int>& keycodes);

    // The new flags when the event changed them.
    std::optional<KeyFlags> press(int sourceDevice, int keycode);
    std::optional<KeyFlags> release(int sourceDevice, int keycode);

    KeyFlags flags() const { return reported_; }

private:
    std::optional<KeyFlags> report();
    bool anyHeld(const std::set<int>& keycodes) const;
    // Takes `keycode` out of `expected` when the event is one the agent posted.
    bool consumeSynthesized(std::multiset<int>& expected, int sourceDevice, int keycode);

    std::set<int> dictationKeycodes_;
    std::set<int> controlKeycodes_;
    std::set<std::pair<int, int>> held_; // (keycode, source device)
    std::set<int> synthesizingDevices_;
    std::multiset<int> expectedPresses_;
    std::multiset<int> expectedReleases_;
    KeyFlags reported_;
};

} // namespace orvendi
