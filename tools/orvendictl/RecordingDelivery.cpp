#include "RecordingDelivery.h"
#include "base/Error.h"

#include <ostream>

#include "Terminal.h"
#include "UploadProgress.h"
#include "capture/Recording.h"
#include "capture/WAV.h"
#include "dictation/LiveTranscription.h"
#include "service/APIClient.h"

namespace orvendi {
namespace {

// The agent's own words for a silent recording.
constexpr const char* kSilenceMessage =
    "The microphone captured silence or corrupted audio. Reopen Orvendi and confirm the correct "
    "input device before trying again.";
constexpr const char* kSilentFileKeptLocally = " The silent file remains preserved locally.";
// The status line while the service works, as the agent's HUD says it.
constexpr const char* kTranscribing = "Turning speech into text\u2026";

} // namespace

ExitStatus RecordingDelivery::deliver(const Recording& recording, LiveTranscription* live) {
    if (!WAV::hasPlausibleVoiceSignal(recording.wav)) {
        return silent(recording);
    }
    TranscriptionReceipt receipt;
    try {
        terminal_.showProgress(kTranscribing);
        UploadProgress progress(terminal_);
        receipt = live ? live->transcribe(recording)
                       : api_.transcribeWithReceipt(recording.wav, recording.durationSeconds, false,
                                                    progress.callback());
    } catch (const std::exception& error) {
        terminal_.message(std::string(error.what()) + ". Recording saved at " +
                          recording.recoveryURL.string());
        return ExitStatus::Failure;
    }
    // The recovery copy goes only once the text has really been handed over.
    if (!(terminal_.out() << receipt.text << '\n' << std::flush)) {
        terminal_.message(
            "Couldn\u2019t write the transcript to standard output. Recording saved at " +
            recording.recoveryURL.string());
        return ExitStatus::Failure;
    }
    recording.discardRecoveryCopy();
    return ExitStatus::Success;
}

ExitStatus RecordingDelivery::silent(const Recording& recording) {
    const auto archived = recording.archiveSilentCopy();
    std::string message = kSilenceMessage;
    if (archived) {
        message += " The silent file was preserved at " + archived->string() + ".";
    } else {
        message += kSilentFileKeptLocally;
    }
    terminal_.message(message);
    return ExitStatus::NoVoice;
}

} // namespace orvendi
