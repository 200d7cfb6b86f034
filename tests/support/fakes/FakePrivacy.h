#pragma once

#include <functional>

#include "platform/Privacy.h"

namespace orvendi::test {

// Permission states the test sets. A microphone request is answered at once
// with `grantOnRequest`.
class FakePrivacy : public Privacy {
public:
    MicrophoneAuthorization microphoneAuthorization() override { return microphone; }
    void requestMicrophoneAccess(std::function<void(bool granted)> completion) override {
        ++microphoneRequests;
        microphone =
            grantOnRequest ? MicrophoneAuthorization::Authorized : MicrophoneAuthorization::Denied;
        completion(grantOnRequest);
    }
    bool accessibilityTrusted() override { return accessibility; }
    bool inputMonitoringGranted() override { return inputMonitoring; }
    bool screenCaptureGranted() override { return screenCapture; }

    MicrophoneAuthorization microphone = MicrophoneAuthorization::Authorized;
    bool accessibility = true;
    bool inputMonitoring = true;
    bool screenCapture = true;
    bool grantOnRequest = true;
    int microphoneRequests = 0;
};

} // namespace orvendi::test
