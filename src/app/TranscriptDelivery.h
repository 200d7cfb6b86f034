#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/Recording.h"
#include "input/InsertionTarget.h"

namespace orvendi {

class Backend;
class LiveTranscription;
class Defaults;
class Log;
class Recorder;
class ScreenAwareHUD;
class StatusMenu;
struct TranscriptionReceipt;

// Takes a finished recording to its end: screens it for a voice signal,
// transcribes it on a background queue, and back on the main thread pastes the
// text where its recording started, remembers it for "Copy last dictation" and
// drops the recording's recovery copy. Silence is archived and reported; a
// failed transcription keeps the recording for "Retry saved recording".
// Several recordings may be on their way at once. Main thread only; the
// background work holds this weakly, the outcomes strongly.
class TranscriptDelivery : public std::enable_shared_from_this<TranscriptDelivery> {
public:
    static constexpr const char* kFirstThoughtKey = "activationFirstThoughtId";

    // `afterDelivery` runs on the main thread after each delivered transcript.
    TranscriptDelivery(std::shared_ptr<Backend> backend, InsertionServices services,
                       Defaults& defaults, Log& log, std::shared_ptr<Recorder> recorder,
                       std::shared_ptr<ScreenAwareHUD> hud, std::shared_ptr<StatusMenu> statusMenu,
                       std::function<void()> afterDelivery);
    TranscriptDelivery(const TranscriptDelivery&) = delete;
    TranscriptDelivery& operator=(const TranscriptDelivery&) = delete;

    // Without a target the text goes to whatever application is frontmost.
    // `live`: the parts of this recording already transcribed while it ran;
    // only the rest is then waited for.
    void submit(Recording recording, std::optional<InsertionTarget> target,
                std::shared_ptr<LiveTranscription> live = nullptr);
    // Transcribes a recording part by part while it runs; `prepared` hears, on
    // a background thread, how many seconds already have text.
    std::shared_ptr<LiveTranscription>
    startLiveTranscription(std::function<void(double seconds)> prepared);
    // Sends the newest pending recording again, into the element focused now.
    void retrySavedRecording();
    // Puts the last delivered text on the clipboard.
    void copyLast();
    const std::optional<std::string>& lastText() const { return lastText_; }

private:
    void deliver(const TranscriptionReceipt& receipt, const Recording& recording,
                 const std::optional<InsertionTarget>& target);
    // Into the target, or only onto the clipboard when there is none.
    void insert(const std::string& text, const std::optional<InsertionTarget>& target);
    void reportDelivery(const DeliveryOutcome& outcome);
    void reportSilence(const std::optional<std::filesystem::path>& archivedAt);
    void reportFailure(const std::string& description, const Recording& recording);

    std::shared_ptr<Backend> backend_;
    InsertionServices services_;
    Defaults& defaults_;
    Log& log_;
    std::shared_ptr<Recorder> recorder_;
    std::shared_ptr<ScreenAwareHUD> hud_;
    std::shared_ptr<StatusMenu> statusMenu_;
    std::function<void()> afterDelivery_;
    std::optional<std::string> lastText_;
};

} // namespace orvendi
