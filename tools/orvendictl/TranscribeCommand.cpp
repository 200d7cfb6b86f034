#include "TranscribeCommand.h"
#include "base/Error.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "SoundFilePayload.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "UploadProgress.h"
#include "capture/SpeechSegmenter.h"
#include "capture/WAV.h"
#include "dictation/SegmentUploads.h"
#include "service/APIClient.h"

namespace orvendi {
namespace {

using json = nlohmann::ordered_json;

std::string jsonLine(const std::string& file, const TranscriptionReceipt& receipt,
                     int64_t durationSecs) {
    const json object = {{"file", file},
                         {"text", receipt.text},
                         {"raw_text", receipt.rawText},
                         {"id", receipt.id ? json(*receipt.id) : json()},
                         {"duration_secs", durationSecs}};
    // A file name that is not UTF-8 is shown with replacement characters.
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

TranscriptionReceipt TranscribeCommand::transcribeInParts(const Bytes& wav, int64_t durationSecs) {
    SpeechSegmenter segmenter;
    const auto pcm = WAV::pcmData(wav);
    const auto parts = pcm ? segmenter.push(*pcm) : std::vector<Bytes>{};
    if (parts.empty()) {
        UploadProgress progress(terminal_);
        return services_.api().transcribeWithReceipt(wav, durationSecs, false, progress.callback());
    }
    SegmentUploads uploads(services_.scheduler(), TranscriptionCalls::of(services_.sharedAPI()));
    for (const auto& part : parts) {
        uploads.add(part);
    }
    uploads.finish(segmenter.takeRest());
    return uploads.receiptFor(wav, durationSecs);
}

CommandSyntax TranscribeCommand::syntax() {
    return {"transcribe",
            {"--ephemeral", "--json"},
            {},
            1,
            CommandSyntax::kAnyNumber,
            "transcribe [--ephemeral] [--json] FILE...",
            "Transcribes sound files (WAV, FLAC, Ogg, anything libsndfile reads), each in turn,\n"
            "printing each transcript on its own line; --json prints one object per file\n"
            "and line: {\"file\",\"text\",\"raw_text\",\"id\",\"duration_secs\"}. A file\n"
            "without a voice signal is not sent. A long file goes up in parts cut at pauses,\n"
            "two at a time. --ephemeral asks the service not to keep the dictation (and\n"
            "sends the file whole)."};
}

ExitStatus TranscribeCommand::run(const ParsedCommand& command) {
    const bool ephemeral = command.has("--ephemeral");
    const bool json = command.has("--json");
    bool anyFailed = false;
    bool anySilent = false;
    for (const auto& file : command.operands) {
        switch (transcribe(file, ephemeral, json)) {
        case Outcome::Failed:
            anyFailed = true;
            break;
        case Outcome::Silent:
            anySilent = true;
            break;
        case Outcome::Transcribed:
            break;
        }
    }
    if (anyFailed) {
        return ExitStatus::Failure;
    }
    return anySilent ? ExitStatus::NoVoice : ExitStatus::Success;
}

TranscribeCommand::Outcome TranscribeCommand::transcribe(const std::string& file, bool ephemeral,
                                                         bool json) {
    try {
        const SoundFilePayload payload = SoundFilePayload::load(file);
        if (!WAV::hasPlausibleVoiceSignal(payload.wav)) {
            terminal_.message(file + ": no voice signal (silence or noise); not sent.");
            return Outcome::Silent;
        }
        TranscriptionReceipt receipt;
        if (ephemeral) {
            UploadProgress progress(terminal_);
            receipt = services_.api().transcribeWithReceipt(payload.wav, payload.durationSecs,
                                                            ephemeral, progress.callback());
        } else {
            receipt = transcribeInParts(payload.wav, payload.durationSecs);
        }
        terminal_.out() << (json ? jsonLine(file, receipt, payload.durationSecs) : receipt.text)
                        << '\n'
                        << std::flush;
        return Outcome::Transcribed;
    } catch (const Error& error) {
        terminal_.message(file + ": " + error.what());
        return Outcome::Failed;
    }
}

} // namespace orvendi
