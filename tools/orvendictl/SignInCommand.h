#pragma once

#include <string>

#include "Command.h"

namespace orvendi {

class Terminal;
class ToolServices;

// Signs in with a one-time code sent by e-mail, asking on the terminal for
// whatever the options leave out. The session goes to the system keyring,
// where the agent finds it too.
class SignInCommand : public Command {
public:
    static CommandSyntax syntax();
    SignInCommand(ToolServices& services, Terminal& terminal)
        : services_(services), terminal_(terminal) {}
    ExitStatus run(const ParsedCommand& command) override;

private:
    ExitStatus askForEverything();
    ExitStatus requestThenMaybeVerify(const std::string& address);
    ExitStatus askForCodeAndVerify(const std::string& address);
    ExitStatus verify(const std::string& address, const std::string& code);
    void requestCode(const std::string& address);

    ToolServices& services_;
    Terminal& terminal_;
};

} // namespace orvendi
