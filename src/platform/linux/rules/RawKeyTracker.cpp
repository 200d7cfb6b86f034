#include "platform/linux/rules/RawKeyTracker.h"

namespace orvendi {

void RawKeyTracker::setKeycodes(std::set<int> dictationKeycodes, std::set<int> controlKeycodes) {
    dictationKeycodes_ = std::move(dictationKeycodes);
    controlKeycodes_ = std::move(controlKeycodes);
}

void RawKeyTracker::setSynthesizingDevices(std::set<int> devices) {
    synthesizingDevices_ = std::move(devices);
}

void RawKeyTracker::expectSynthesized(const std::vector<int>& keycodes) {
    expectedPresses_.insert(keycodes.begin(), keycodes.end());
}

bool RawKeyTracker::consumeSynthesized(std::multiset<int>& expected, int sourceDevice,
                                       int keycode) {
    if (!synthesizingDevices_.count(sourceDevice)) {
        return false;
    }
    const auto found = expected.find(keycode);
    if (found == expected.end()) {
        return false;
    }
    expected.erase(found);
    return true;
}

std::optional<KeyFlags> RawKeyTracker::press(int sourceDevice, int keycode) {
    if (consumeSynthesized(expectedPresses_, sourceDevice, keycode)) {
        expectedReleases_.insert(keycode);
        return std::nullopt;
    }
    if (dictationKeycodes_.count(keycode) || controlKeycodes_.count(keycode)) {
        held_.insert({keycode, sourceDevice});
    }
    return report();
}

std::optional<KeyFlags> RawKeyTracker::release(int sourceDevice, int keycode) {
    if (consumeSynthesized(expectedReleases_, sourceDevice, keycode)) {
        return std::nullopt;
    }
    held_.erase({keycode, sourceDevice});
    return report();
}

bool RawKeyTracker::anyHeld(const std::set<int>& keycodes) const {
    for (const auto& [keycode, source] : held_) {
        if (keycodes.count(keycode)) {
            return true;
        }
    }
    return false;
}

std::optional<KeyFlags> RawKeyTracker::report() {
    const KeyFlags now{anyHeld(dictationKeycodes_), anyHeld(controlKeycodes_)};
    if (now == reported_) {
        return std::nullopt;
    }
    reported_ = now;
    return now;
}

} // namespace orvendi
