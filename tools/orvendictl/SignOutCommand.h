#pragma once

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// Ends the stored session on the server (every renewal of that sign-in with
// it, the agent's included) and removes it from the system keyring.
class SignOutCommand : public Command {
public:
    static CommandSyntax syntax();
    SignOutCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
