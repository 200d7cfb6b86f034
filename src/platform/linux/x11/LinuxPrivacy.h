#pragma once

#include <functional>

#include "platform/Accessibility.h"
#include "platform/Privacy.h"
#include "platform/linux/x11/XConnection.h"

namespace orvendi {

// The agent's four permission probes on an X11 desktop. Linux asks no one for
// these permissions: each probe tells whether the thing the agent needs works.
//
// - microphone: the sound server answers with a default source (the probe,
//   PulseMicrophoneProbe::authorization, is injected: it needs no display);
// - accessibility: the AT-SPI bus answers and accessibility is enabled;
// - input monitoring: the X server offers XInput 2.2 raw key events;
// - screen capture: always, X11 lets every client read the screen.
class LinuxPrivacy : public Privacy {
public:
    LinuxPrivacy(std::function<MicrophoneAuthorization()> microphone, Accessibility& accessibility,
                 XConnection& x);

    MicrophoneAuthorization microphoneAuthorization() override;
    // There is no prompt to show: the answer is the probe's, at once.
    void requestMicrophoneAccess(std::function<void(bool granted)> completion) override;
    bool accessibilityTrusted() override;
    bool inputMonitoringGranted() override;
    bool screenCaptureGranted() override;

private:
    std::function<MicrophoneAuthorization()> microphone_;
    Accessibility& accessibility_;
    XConnection& x_;
    std::optional<bool> rawKeyEvents_;
};

} // namespace orvendi
