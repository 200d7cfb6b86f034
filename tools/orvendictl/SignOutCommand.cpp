#include "SignOutCommand.h"

#include "Terminal.h"
#include "ToolServices.h"
#include "base/Error.h"
#include "service/APIClient.h"

namespace orvendi {

CommandSyntax SignOutCommand::syntax() {
    return {"signout",
            {},
            {},
            0,
            0,
            "signout",
            "Ends the session on the server, for the agent too, and removes it from the\n"
            "system keyring. Signing in again needs a new code."};
}

ExitStatus SignOutCommand::run(const ParsedCommand&) {
    try {
        services_.api().signOut();
    } catch (const Error& error) {
        terminal_.message(std::string("Signed out on this computer; the server could not be "
                                      "told: ") +
                          error.what());
        return ExitStatus::Failure;
    }
    terminal_.message("Signed out.");
    return ExitStatus::Success;
}

} // namespace orvendi
