#pragma once

#include <memory>
#include <optional>

#include "input/InsertionTarget.h"
#include "platform/Scheduler.h"

namespace orvendi {

class ActivationReporter;
class LiveTranscription;
class Privacy;
class Recorder;
class ScreenAwareHUD;
class StatusMenu;
class TranscriptDelivery;

// Turns presses of the dictation key and the menu's first item into
// recordings. A press of kHoldThreshold or more records while held; a shorter
// tap throws its recording away, unless it comes within kDoubleTapWindow of
// the previous tap's release, which locks hands-free recording until the next
// press. A press in a secure field records nothing. Each recording takes the
// field it started in along when it is submitted. Main thread only.
//
// Presses and releases are timed by when the key moved (`at`, as the key
// source stamped it), not by when they are handled: a main thread that was
// busy hands them over late and back to back. And a recording that holds more
// audio than a tap can is never thrown away as a tap: it is transcribed.
class DictationGestures : public std::enable_shared_from_this<DictationGestures> {
public:
    static constexpr double kHoldThreshold = 0.35;
    static constexpr double kDoubleTapWindow = 0.45;

    DictationGestures(InsertionServices services, Privacy& privacy,
                      std::shared_ptr<Recorder> recorder, std::shared_ptr<ScreenAwareHUD> hud,
                      std::shared_ptr<StatusMenu> statusMenu,
                      std::shared_ptr<TranscriptDelivery> delivery,
                      std::shared_ptr<ActivationReporter> reporter);
    DictationGestures(const DictationGestures&) = delete;
    DictationGestures& operator=(const DictationGestures&) = delete;

    void fnDown(double at);
    void fnUp(double at);
    // The key source lost the key's release: the recording goes on hands-free.
    void fnReleaseLost();
    // Starts a hands-free recording, or ends the one running.
    void menuToggle();
    bool isLocked() const { return locked_; }

    // Asks for the microphone when it has never been asked; a refusal opens
    // the microphone's settings page.
    void refreshMicrophonePermission(bool requestIfNeeded);

private:
    bool startRecording();
    void stopAndTranscribe();
    void reportFailedStop(bool spoolKept);
    void showTranscribed(uint64_t recordingNumber, double seconds);
    // A failure in the status icon and, for as long, on the HUD: many
    // desktops show no tray at all.
    void showFailure(const std::string& message);

    InsertionServices services_;
    Privacy& privacy_;
    std::shared_ptr<Recorder> recorder_;
    std::shared_ptr<ScreenAwareHUD> hud_;
    std::shared_ptr<StatusMenu> statusMenu_;
    std::shared_ptr<TranscriptDelivery> delivery_;
    std::shared_ptr<ActivationReporter> reporter_;

    std::optional<double> fnDownAt_;
    double lastQuickTapAt_ = kDistantPast;
    bool locked_ = false;
    // Where the recording in progress will paste; it travels with the recording
    // when it is submitted, so each transcript lands in its own field.
    std::optional<InsertionTarget> dictationTarget_;
    // The recording in progress transcribed part by part, and its number, so
    // that a late progress report of an earlier recording shows nothing.
    std::shared_ptr<LiveTranscription> liveTranscription_;
    uint64_t liveTranscriptions_ = 0;
};

} // namespace orvendi
