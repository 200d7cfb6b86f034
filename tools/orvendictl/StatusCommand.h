#pragma once

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// What the tool (and the agent) would work with, without a network request:
// the configuration in force, the stored session, pending recordings, the
// vault folder and the installation id.
class StatusCommand : public Command {
public:
    static CommandSyntax syntax();
    StatusCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
