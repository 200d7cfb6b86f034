#pragma once

#include <functional>

namespace orvendi {

// Raw values follow the audio-capture authorization statuses the agent compares.
enum class MicrophoneAuthorization {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3
};

// The permission probes of the agent.
class Privacy {
public:
    virtual ~Privacy() = default;
    virtual MicrophoneAuthorization microphoneAuthorization() = 0;
    // Asks for microphone access; the answer may come on any thread.
    virtual void requestMicrophoneAccess(std::function<void(bool granted)> completion) = 0;
    virtual bool accessibilityTrusted() = 0;
    virtual bool inputMonitoringGranted() = 0;
    virtual bool screenCaptureGranted() = 0;
};

} // namespace orvendi
