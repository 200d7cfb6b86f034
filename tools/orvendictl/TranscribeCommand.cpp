#include "TranscribeCommand.h"
#include "base/Error.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "SoundFilePayload.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "UploadProgress.h"
#include "capture/WAV.h"
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
            "without a voice signal is not sent. --ephemeral asks the service not to keep\n"
            "the dictation."};
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
        {
            UploadProgress progress(terminal_);
            receipt = services_.api().transcribeWithReceipt(payload.wav, payload.durationSecs,
                                                            ephemeral, progress.callback());
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
