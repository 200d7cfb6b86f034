// Activation milestones (each sent at most once per process) and the permission
// status report (at setup, on change, and at least every 30 seconds).
#include "app/AppDelegate.h"

#include "service/APIClient.h"

namespace orvendi {

void AppDelegate::emitActivation(const std::string& event) {
    if (emittedActivationEvents_.count(event) || !api_) {
        return;
    }
    // Marked before sending: a failed request is not repeated in this process.
    emittedActivationEvents_.insert(event);
    const std::string id = installationId();
    std::shared_ptr<APIClient> api = api_;
    Log& log = platform_.log;
    platform_.scheduler.globalAsync(QueuePriority::Utility, [api, event, id, &log] {
        try {
            api->recordActivationEvent(event, id);
        } catch (const std::exception& error) {
            log.writeFormat("Activation analytics unavailable: %@", {error.what()});
        }
    });
}

void AppDelegate::persistActivationStage(ActivationStage stage) {
    const int64_t stored = platform_.defaults.integer(kActivationStageKey).value_or(0);
    const auto value = static_cast<int64_t>(stage);
    if (value > stored) {
        platform_.defaults.setInteger(kActivationStageKey, value);
    }
}

void AppDelegate::reportNativeStatus(bool force) {
    if (!api_) {
        return;
    }
    Privacy& privacy = platform_.privacy;
    const bool microphone =
        privacy.microphoneAuthorization() == MicrophoneAuthorization::Authorized;
    const bool accessibility = privacy.accessibilityTrusted();
    const bool inputMonitoring = privacy.inputMonitoringGranted();
    const bool screenRecording = privacy.screenCaptureGranted();
    auto word = [](bool value) { return value ? "true" : "false"; };
    const std::string signature = std::string(word(microphone)) + "-" + word(accessibility) + "-" +
                                  word(inputMonitoring) + "-" + word(screenRecording);

    constexpr double kReportInterval = 30.0;
    const double now = platform_.scheduler.now();
    if (!force && signature == lastNativeStatusSignature_ &&
        now - lastNativeStatusReport_ < kReportInterval) {
        return;
    }
    // Recorded before sending, so a failed report is retried on the next change
    // or after the interval, not on every tick.
    lastNativeStatusSignature_ = signature;
    lastNativeStatusReport_ = now;
    const std::string id = installationId();
    std::shared_ptr<APIClient> api = api_;
    Log& log = platform_.log;
    platform_.scheduler.globalAsync(QueuePriority::Utility, [=, &log] {
        try {
            api->updateNativeStatus(id, microphone, accessibility, inputMonitoring,
                                    screenRecording);
        } catch (const std::exception& error) {
            log.writeFormat("Native status unavailable: %@", {error.what()});
        }
    });
}

} // namespace orvendi
