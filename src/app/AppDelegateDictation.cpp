// Dictation control: key gestures and the menu's first item start, lock, cancel
// and stop recordings, with the status icon, the toggle title and the HUD in step.
#include "app/AppDelegate.h"

#include <utility>

namespace orvendi {
namespace {

// Times are seconds since 1970 in doubles, which resolve about 0.2 µs at today's
// dates; a press measured as exactly the threshold must not become a tap (or a
// tap miss the window) through rounding.
constexpr double kClockResolution = 1e-6;

} // namespace

void AppDelegate::fnDown() {
    fnDownAt_ = platform_.scheduler.now();
    if (locked_) {
        locked_ = false;
        stopAndTranscribe();
        fnDownAt_.reset(); // this press ended the hands-free recording; ignore its release
        return;
    }
    if (recorder_.isRecording()) {
        return;
    }
    auto target = captureTarget();
    if (target && target->isSecure) {
        fail("Dictation is off in secure fields");
        return;
    }
    dictationTarget_ = std::move(target);
    if (!startRecording()) {
        dictationTarget_.reset();
        return;
    }
    screenHUD_.show("Listening", "waveform");
}

void AppDelegate::fnUp() {
    if (!fnDownAt_) {
        return;
    }
    const double now = platform_.scheduler.now();
    const double held = now - *fnDownAt_;
    fnDownAt_.reset();
    if (held + kClockResolution >= kHoldThreshold) {
        stopAndTranscribe();
        return;
    }
    const double gap = now - lastQuickTapAt_;
    if (gap <= kDoubleTapWindow + kClockResolution) {
        locked_ = true;
        lastQuickTapAt_ = kDistantPast; // a third tap cannot lock again
        screenHUD_.show("Recording hands-free", "record.circle");
        return;
    }
    lastQuickTapAt_ = now;
    recorder_.cancel();
    dictationTarget_.reset();
    screenHUD_.hide(0);
    setIcon(kIdleSymbol, kIdleAccessibility);
    setToggleTitle(kStartTitle);
}

// The key source lost the key's release: a microphone must not stay open for a
// key nobody holds, nor a dictation be cut short, so it goes on hands-free and
// the next press ends it.
void AppDelegate::fnReleaseLost() {
    if (!fnDownAt_) {
        return;
    }
    fnDownAt_.reset();
    if (!recorder_.isRecording()) {
        showCurrentRecordingState();
        return;
    }
    locked_ = true;
    lastQuickTapAt_ = kDistantPast;
    screenHUD_.show("Recording hands-free: press " + platform_.keyEvents.dictationKeyName() +
                        " again to stop",
                    "record.circle");
}

void AppDelegate::menuToggle() {
    if (recorder_.isRecording()) {
        locked_ = false;
        stopAndTranscribe();
        return;
    }
    locked_ = true;
    // Starting from the menu has no secure-field check: the user chose it there.
    dictationTarget_ = captureTarget();
    if (startRecording()) {
        screenHUD_.show("Recording hands-free", "record.circle");
    } else {
        locked_ = false;
        dictationTarget_.reset();
    }
}

bool AppDelegate::startRecording() {
    if (platform_.privacy.microphoneAuthorization() == MicrophoneAuthorization::Authorized) {
        try {
            recorder_.start();
        } catch (const std::exception& error) {
            fail(std::string("Mic error: ") + error.what());
            return false;
        }
        if (!platform_.defaults.boolean(kActivationCompleteKey).value_or(false)) {
            emitActivation("first_recording_started");
        }
        setIcon(kRecordingSymbol, kRecordingAccessibility);
        setToggleTitle(kStopTitle);
        return true;
    }
    locked_ = false;
    refreshMicrophonePermission(true);
    screenHUD_.show("Microphone permission needed", "mic.slash");
    screenHUD_.hide(2.4);
    fail("Microphone permission is off. Open the Orvendi menu → Microphone permission, enable "
         "Orvendi, then reopen the app.");
    return false;
}

void AppDelegate::stopAndTranscribe() {
    auto recording = recorder_.stop();
    // The target belongs to this recording: it travels with it, or goes with it.
    auto target = std::exchange(dictationTarget_, std::nullopt);
    if (!recording) {
        setIcon(kIdleSymbol, kIdleAccessibility);
        setToggleTitle(kStartTitle);
        return;
    }
    submit(std::move(*recording), std::move(target));
}

void AppDelegate::fail(const std::string& message) {
    platform_.log.writeFormat("Orvendi error: %@", {message});
    setIcon("exclamationmark.triangle", message);
    constexpr double kErrorDisplaySeconds = 2.5;
    scheduleIconReset(kErrorDisplaySeconds);
}

void AppDelegate::flash(const std::string& symbol) {
    setIcon(symbol, "Done");
    constexpr double kFlashSeconds = 1.2;
    scheduleIconReset(kFlashSeconds);
}

void AppDelegate::scheduleIconReset(double seconds) {
    // Never cancelled; it shows whatever state holds when it fires.
    auto self = shared_from_this();
    platform_.scheduler.mainAfter(seconds, [self] { self->showCurrentRecordingState(); });
}

void AppDelegate::showCurrentRecordingState() {
    // A live microphone must never be shown as idle.
    if (recorder_.isRecording()) {
        setIcon(kRecordingSymbol, kRecordingAccessibility);
        setToggleTitle(kStopTitle);
    } else {
        setIcon(kIdleSymbol, kIdleAccessibility);
        setToggleTitle(kStartTitle);
    }
}

void AppDelegate::setToggleTitle(const std::string& title) {
    if (toggleItem_) {
        toggleItem_->setTitle(title);
    }
}

void AppDelegate::refreshMicrophonePermission(bool requestIfNeeded) {
    const auto status = platform_.privacy.microphoneAuthorization();
    if (!requestIfNeeded || status != MicrophoneAuthorization::NotDetermined) {
        return;
    }
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    Scheduler& scheduler = platform_.scheduler;
    platform_.privacy.requestMicrophoneAccess([weakSelf, &scheduler](bool granted) {
        scheduler.mainAsync([weakSelf, granted] {
            auto self = weakSelf.lock();
            if (self && !granted) {
                self->openSettingsPage("microphone");
            }
        });
    });
}

std::optional<InsertionTarget> AppDelegate::captureTarget() {
    return InsertionTarget::capture(insertionServices());
}

} // namespace orvendi
