#pragma once

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// One vault sync, on the calling thread; never at the same time as the
// agent's, which shares the vault state file.
class SyncCommand : public Command {
public:
    static CommandSyntax syntax();
    SyncCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
