#include "app/DictationGestures.h"

#include <utility>

#include "app/ActivationReporter.h"
#include "app/SettingsPages.h"
#include "app/StatusMenu.h"
#include "app/TranscriptDelivery.h"
#include "capture/Recorder.h"
#include "dictation/LiveTranscription.h"
#include "platform/KeyEvents.h"
#include "platform/Privacy.h"
#include "ui/HUDMessage.h"
#include "ui/ScreenAwareHUD.h"

namespace orvendi {
namespace {

// Times are seconds since 1970 in doubles, which resolve about 0.2 µs at today's
// dates; a press measured as exactly the threshold must not become a tap (or a
// tap miss the window) through rounding.
constexpr double kClockResolution = 1e-6;

constexpr HUDMessage kNothingRecorded{"Nothing was recorded", "mic.slash", 2.8};

} // namespace

DictationGestures::DictationGestures(InsertionServices services, Privacy& privacy,
                                     std::shared_ptr<Recorder> recorder,
                                     std::shared_ptr<ScreenAwareHUD> hud,
                                     std::shared_ptr<StatusMenu> statusMenu,
                                     std::shared_ptr<TranscriptDelivery> delivery,
                                     std::shared_ptr<ActivationReporter> reporter)
    : services_(services), privacy_(privacy), recorder_(std::move(recorder)), hud_(std::move(hud)),
      statusMenu_(std::move(statusMenu)), delivery_(std::move(delivery)),
      reporter_(std::move(reporter)) {}

void DictationGestures::fnDown(double at) {
    fnDownAt_ = at;
    if (locked_) {
        locked_ = false;
        stopAndTranscribe();
        fnDownAt_.reset(); // this press ended the hands-free recording; ignore its release
        return;
    }
    if (recorder_->isRecording()) {
        return;
    }
    auto target = InsertionTarget::capture(services_);
    if (target && target->isSecure) {
        showFailure("Dictation is off in secure fields");
        return;
    }
    dictationTarget_ = std::move(target);
    if (!startRecording()) {
        dictationTarget_.reset();
        return;
    }
    hud_->show("Listening", "waveform");
}

void DictationGestures::fnUp(double at) {
    if (!fnDownAt_) {
        return;
    }
    const double held = at - *fnDownAt_;
    fnDownAt_.reset();
    if (held + kClockResolution >= kHoldThreshold) {
        stopAndTranscribe();
        return;
    }
    const double gap = at - lastQuickTapAt_;
    // A second tap that started no recording (refused) locks nothing.
    if (gap <= kDoubleTapWindow + kClockResolution && recorder_->isRecording()) {
        locked_ = true;
        lastQuickTapAt_ = kDistantPast; // a third tap cannot lock again
        hud_->show("Recording hands-free", "record.circle");
        return;
    }
    lastQuickTapAt_ = at;
    // The key's times say tap, yet the microphone heard more than a tap lasts:
    // one of the two clocks is off (a source without times of its own read on
    // a busy thread, or a tap handled late). A short recording kept costs a
    // transcription; speech thrown away is lost for good. It still counts as a
    // tap, so that a second one locks hands-free as the user meant.
    if (recorder_->capturedSeconds() > kHoldThreshold + kClockResolution) {
        stopAndTranscribe();
        return;
    }
    // A refused press started nothing; its message stays for its time.
    if (recorder_->isRecording()) {
        hud_->hide(0);
    }
    recorder_->cancel();
    liveTranscription_.reset();
    dictationTarget_.reset();
    statusMenu_->showIdle();
}

// A microphone must not stay open for a key nobody holds, nor a dictation be
// cut short, so it goes on hands-free and the next press ends it.
void DictationGestures::fnReleaseLost() {
    if (!fnDownAt_) {
        return;
    }
    fnDownAt_.reset();
    if (!recorder_->isRecording()) {
        return;
    }
    locked_ = true;
    lastQuickTapAt_ = kDistantPast;
    hud_->show("Recording hands-free: press " + services_.keyEvents.dictationKeyName() +
                   " again to stop",
               "record.circle");
}

void DictationGestures::menuToggle() {
    if (recorder_->isRecording()) {
        locked_ = false;
        stopAndTranscribe();
        return;
    }
    locked_ = true;
    // Starting from the menu has no secure-field check: the user chose it there.
    dictationTarget_ = InsertionTarget::capture(services_);
    if (startRecording()) {
        hud_->show("Recording hands-free", "record.circle");
    } else {
        locked_ = false;
        dictationTarget_.reset();
    }
}

bool DictationGestures::startRecording() {
    if (privacy_.microphoneAuthorization() == MicrophoneAuthorization::Authorized) {
        std::weak_ptr<DictationGestures> weakSelf = weak_from_this();
        Scheduler& scheduler = services_.scheduler;
        const uint64_t number = ++liveTranscriptions_;
        auto live =
            delivery_->startLiveTranscription([weakSelf, &scheduler, number](double seconds) {
                scheduler.mainAsync([weakSelf, number, seconds] {
                    if (auto self = weakSelf.lock()) {
                        self->showTranscribed(number, seconds);
                    }
                });
            });
        try {
            recorder_->start(live);
        } catch (const std::exception& error) {
            showFailure(std::string("Mic error: ") + error.what());
            return false;
        }
        liveTranscription_ = std::move(live);
        reporter_->recordingStarted();
        statusMenu_->showRecording();
        return true;
    }
    locked_ = false;
    refreshMicrophonePermission(true);
    hud_->show("Microphone permission needed", "mic.slash");
    hud_->hide(2.4);
    statusMenu_->fail("Microphone permission is off. Open the Orvendi menu → Microphone "
                      "permission, enable Orvendi, then reopen the app.");
    return false;
}

void DictationGestures::stopAndTranscribe() {
    const bool wasRecording = recorder_->isRecording();
    const size_t savedBefore = wasRecording ? recorder_->retryableRecordings().size() : 0;
    auto recording = recorder_->stop();
    // The target belongs to this recording: it travels with it, or goes with it.
    auto target = std::exchange(dictationTarget_, std::nullopt);
    auto live = std::exchange(liveTranscription_, nullptr);
    if (!recording) {
        if (wasRecording) {
            reportFailedStop(recorder_->retryableRecordings().size() > savedBefore);
        } else {
            statusMenu_->showIdle();
        }
        return;
    }
    delivery_->submit(std::move(*recording), std::move(target), std::move(live));
}

// A recording that ended without usable audio must not leave "Listening" and
// the red dot behind; its spool, when one was kept, waits for a retry.
void DictationGestures::reportFailedStop(bool spoolKept) {
    statusMenu_->showIdle();
    statusMenu_->refreshRetryItem();
    if (spoolKept) {
        hud_->show(HUDMessages::recordingSavedForRetry);
        statusMenu_->fail("The recording could not be converted. It was saved for retry.");
    } else {
        hud_->show(kNothingRecorded);
        statusMenu_->fail("The recording could not be finished; nothing was saved.");
    }
}

void DictationGestures::showTranscribed(uint64_t recordingNumber, double seconds) {
    // Only the recording still running is shown; a finished one has its own messages.
    if (recordingNumber != liveTranscriptions_ || !liveTranscription_ ||
        !recorder_->isRecording()) {
        return;
    }
    hud_->showTranscribed(locked_ ? HUDMessages::recordingHandsFree : HUDMessages::listening,
                          seconds);
}

void DictationGestures::showFailure(const std::string& message) {
    statusMenu_->fail(message);
    hud_->show(message, "exclamationmark.triangle");
    hud_->hide(StatusMenu::kErrorDisplaySeconds);
}

void DictationGestures::refreshMicrophonePermission(bool requestIfNeeded) {
    const auto status = privacy_.microphoneAuthorization();
    if (!requestIfNeeded || status != MicrophoneAuthorization::NotDetermined) {
        return;
    }
    std::weak_ptr<DictationGestures> weakSelf = weak_from_this();
    Scheduler& scheduler = services_.scheduler;
    privacy_.requestMicrophoneAccess([weakSelf, &scheduler](bool granted) {
        scheduler.mainAsync([weakSelf, granted] {
            auto self = weakSelf.lock();
            if (self && !granted) {
                SettingsPages::open(self->services_.workspace, "microphone");
            }
        });
    });
}

} // namespace orvendi
