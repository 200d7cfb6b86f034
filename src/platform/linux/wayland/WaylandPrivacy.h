#pragma once

#include "platform/Privacy.h"
#include "platform/linux/wayland/WaylandKeyEvents.h"

namespace orvendi {

// The agent's permission probes in a Wayland session: those of the XWayland
// desktop, except that input monitoring holds when a Wayland source delivers
// the dictation key (XWayland's raw key events see only XWayland windows).
class WaylandPrivacy : public Privacy {
public:
    WaylandPrivacy(Privacy& xwayland, const WaylandKeyEvents& keyEvents)
        : xwayland_(xwayland), keyEvents_(keyEvents) {}

    MicrophoneAuthorization microphoneAuthorization() override {
        return xwayland_.microphoneAuthorization();
    }
    void requestMicrophoneAccess(std::function<void(bool granted)> completion) override {
        xwayland_.requestMicrophoneAccess(std::move(completion));
    }
    bool accessibilityTrusted() override { return xwayland_.accessibilityTrusted(); }
    bool inputMonitoringGranted() override { return keyEvents_.activeSource().has_value(); }
    bool screenCaptureGranted() override { return xwayland_.screenCaptureGranted(); }

private:
    Privacy& xwayland_;
    const WaylandKeyEvents& keyEvents_;
};

} // namespace orvendi
