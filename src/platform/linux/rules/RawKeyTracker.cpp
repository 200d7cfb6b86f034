#include "platform/linux/rules/RawKeyTracker.h"

namespace orvendi {

void RawKeyTracker::setKeycodes(std::set<int> dictationKeycodes, std::set<int> controlKeycodes) {
    dictationKeycodes_ = std::move(dictationKeycodes);
    controlKeycodes_ = std::move(controlKeycodes);
}

std::optional<KeyFlags> RawKeyTracker::press(int sourceDevice, int keycode) {
    if (dictationKeycodes_.count(keycode) || controlKeycodes_.count(keycode)) {
        held_.insert({keycode, sourceDevice});
    }
    return report();
}

std::optional<KeyFlags> RawKeyTracker::release(int sourceDevice, int keycode) {
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
