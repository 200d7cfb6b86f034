#pragma once

#include <string>

#include "Command.h"
#include "base/Bytes.h"
#include "service/TranscriptionReceipt.h"

namespace orvendi {

class Terminal;
class ToolServices;

// Transcribes sound files one after the other: each transcript on its own
// line, or one JSON object per file and line with --json.
class TranscribeCommand : public Command {
public:
    static CommandSyntax syntax();
    TranscribeCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    enum class Outcome { Transcribed, Silent, Failed };
    Outcome transcribe(const std::string& file, bool ephemeral, bool json);
    // A long file goes up in parts cut at pauses, two at a time, saved as one
    // dictation; a short one, or one whose parts fail, goes up whole.
    TranscriptionReceipt transcribeInParts(const Bytes& wav, int64_t durationSecs);

    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
