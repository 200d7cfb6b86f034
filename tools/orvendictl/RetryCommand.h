#pragma once

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// Sends a saved recording again, the newest one unless a file is named, and
// delivers it as `record` does.
class RetryCommand : public Command {
public:
    static CommandSyntax syntax();
    RetryCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
