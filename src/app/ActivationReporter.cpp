#include "app/ActivationReporter.h"

#include "base/UUID.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/Privacy.h"
#include "service/Backend.h"

namespace orvendi {

ActivationReporter::ActivationReporter(std::shared_ptr<Backend> backend, Scheduler& scheduler,
                                       Privacy& privacy, Defaults& defaults, Log& log)
    : backend_(std::move(backend)), scheduler_(scheduler), privacy_(privacy), defaults_(defaults),
      log_(log) {}

ActivationReporter::~ActivationReporter() {
    if (nativeStatusTimer_) {
        nativeStatusTimer_->invalidate();
    }
}

std::string ActivationReporter::installationId(Defaults& defaults) {
    if (auto stored = defaults.string(kInstallationIdKey); stored && isUUID(*stored)) {
        return *stored;
    }
    std::string fresh = makeLowercaseUUID();
    defaults.setString(kInstallationIdKey, fresh);
    return fresh;
}

void ActivationReporter::emitActivation(const std::string& event) {
    if (emittedActivationEvents_.count(event)) {
        return;
    }
    // Marked before sending: a failed request is not repeated in this process.
    emittedActivationEvents_.insert(event);
    const std::string id = installationId(defaults_);
    std::shared_ptr<Backend> backend = backend_;
    Log& log = log_;
    scheduler_.globalAsync(QueuePriority::Utility, [backend, event, id, &log] {
        try {
            backend->recordActivationEvent(event, id);
        } catch (const std::exception& error) {
            log.writeFormat("Activation analytics unavailable: %@", {error.what()});
        }
    });
}

void ActivationReporter::persistActivationStage(ActivationStage stage) {
    const int64_t stored = defaults_.integer(kActivationStageKey).value_or(0);
    const auto value = static_cast<int64_t>(stage);
    if (value > stored) {
        defaults_.setInteger(kActivationStageKey, value);
    }
}

void ActivationReporter::recordingStarted() {
    if (!defaults_.boolean(kActivationCompleteKey).value_or(false)) {
        emitActivation("first_recording_started");
    }
}

bool ActivationReporter::completeActivation() {
    if (defaults_.boolean(kActivationCompleteKey).value_or(false)) {
        return true;
    }
    defaults_.setBoolean(kActivationCompleteKey, true);
    return false;
}

void ActivationReporter::reportNativeStatus(bool force) {
    const bool microphone =
        privacy_.microphoneAuthorization() == MicrophoneAuthorization::Authorized;
    const bool accessibility = privacy_.accessibilityTrusted();
    const bool inputMonitoring = privacy_.inputMonitoringGranted();
    const bool screenRecording = privacy_.screenCaptureGranted();
    auto word = [](bool value) { return value ? "true" : "false"; };
    const std::string signature = std::string(word(microphone)) + "-" + word(accessibility) + "-" +
                                  word(inputMonitoring) + "-" + word(screenRecording);

    constexpr double kReportInterval = 30.0;
    const double now = scheduler_.now();
    if (!force && signature == lastNativeStatusSignature_ &&
        now - lastNativeStatusReport_ < kReportInterval) {
        return;
    }
    // Recorded before sending, so a failed report is retried on the next change
    // or after the interval, not on every tick.
    lastNativeStatusSignature_ = signature;
    lastNativeStatusReport_ = now;
    const std::string id = installationId(defaults_);
    std::shared_ptr<Backend> backend = backend_;
    Log& log = log_;
    scheduler_.globalAsync(QueuePriority::Utility, [=, &log] {
        try {
            backend->updateNativeStatus(id, microphone, accessibility, inputMonitoring,
                                        screenRecording);
        } catch (const std::exception& error) {
            log.writeFormat("Native status unavailable: %@", {error.what()});
        }
    });
}

void ActivationReporter::startNativeStatusReports() {
    reportNativeStatus(true);
    if (nativeStatusTimer_) {
        nativeStatusTimer_->invalidate();
    }
    std::weak_ptr<ActivationReporter> weakSelf = weak_from_this();
    constexpr double kStatusReportInterval = 10.0;
    nativeStatusTimer_ = scheduler_.repeatingTimer(kStatusReportInterval, [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->reportNativeStatus(false);
        }
    });
}

} // namespace orvendi
