#include "platform/linux/x11/LinuxPrivacy.h"

#include "platform/linux/x11/X11KeyEvents.h"

namespace orvendi {

LinuxPrivacy::LinuxPrivacy(std::function<MicrophoneAuthorization()> microphone,
                           Accessibility& accessibility, XConnection& x)
    : microphone_(std::move(microphone)), accessibility_(accessibility), x_(x) {}

MicrophoneAuthorization LinuxPrivacy::microphoneAuthorization() {
    return microphone_ ? microphone_() : MicrophoneAuthorization::Denied;
}

void LinuxPrivacy::requestMicrophoneAccess(std::function<void(bool granted)> completion) {
    const bool granted = microphoneAuthorization() == MicrophoneAuthorization::Authorized;
    if (completion) {
        completion(granted);
    }
}

bool LinuxPrivacy::accessibilityTrusted() {
    return accessibility_.isProcessTrusted();
}

bool LinuxPrivacy::inputMonitoringGranted() {
    // The server's extensions do not change while it runs.
    if (!rawKeyEvents_) {
        rawKeyEvents_ = X11KeyEvents::serverHasRawKeyEvents(x_.display());
    }
    return *rawKeyEvents_;
}

bool LinuxPrivacy::screenCaptureGranted() {
    return true;
}

} // namespace orvendi
