#pragma once

#include <vector>

#include "platform/Privacy.h"

namespace orvendi::test {

// Permission states the test sets. A microphone request is answered at once
// with `grantOnRequest` unless `holdRequests` keeps it for answerRequests().
class FakePrivacy : public Privacy {
public:
    MicrophoneAuthorization microphoneAuthorization() override { return microphone; }
    void requestMicrophoneAccess(std::function<void(bool granted)> completion) override {
        ++microphoneRequests;
        if (holdRequests) {
            pending_.push_back(std::move(completion));
            return;
        }
        answer(completion);
    }
    bool accessibilityTrusted() override { return accessibility; }
    bool inputMonitoringGranted() override { return inputMonitoring; }
    bool screenCaptureGranted() override { return screenCapture; }

    void answerRequests() {
        auto pending = std::move(pending_);
        for (auto& completion : pending) {
            answer(completion);
        }
    }

    MicrophoneAuthorization microphone = MicrophoneAuthorization::Authorized;
    bool accessibility = true;
    bool inputMonitoring = true;
    bool screenCapture = true;
    bool grantOnRequest = true;
    bool holdRequests = false;
    int microphoneRequests = 0;

private:
    void answer(const std::function<void(bool)>& completion) {
        microphone = grantOnRequest ? MicrophoneAuthorization::Authorized : MicrophoneAuthorization::Denied;
        completion(grantOnRequest);
    }
    std::vector<std::function<void(bool)>> pending_;
};

} // namespace orvendi::test
