#pragma once

#include <atomic>
#include <optional>

#include "Command.h"

namespace orvendi {

class InterruptSignal;
class LevelMeter;
class Terminal;
class ToolServices;

// Records the default microphone until Enter (or for a number of seconds),
// showing the elapsed time and a level meter, then delivers the recording as
// the agent does, printing the text instead of pasting it. Ctrl-C cancels and
// leaves nothing behind.
class RecordCommand : public Command {
public:
    static CommandSyntax syntax();
    RecordCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    enum class Ending { Stop, Cancel };
    Ending waitForEnd(std::optional<double> limitSeconds, const InterruptSignal& interrupt,
                      LevelMeter& meter, const std::atomic<double>& preparedSeconds);
    // Consumes what is waiting on standard input; true when it ends the
    // recording (a line, or the end of input without a time limit).
    bool inputEndsRecording(bool& watchInput, bool hasLimit);

    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
