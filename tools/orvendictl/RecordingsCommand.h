#pragma once

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// Lists the recordings waiting for a transcript, newest first.
class RecordingsCommand : public Command {
public:
    static CommandSyntax syntax();
    RecordingsCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
