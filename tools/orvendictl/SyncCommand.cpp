#include "SyncCommand.h"

#include "Terminal.h"
#include "ToolServices.h"
#include "base/Error.h"
#include "vault/VaultSync.h"

namespace orvendi {

CommandSyntax SyncCommand::syntax() {
    return {"sync",
            {},
            {},
            0,
            0,
            "sync",
            "Mirrors your notes into the vault folder once, as the agent does every five\n"
            "minutes."};
}

ExitStatus SyncCommand::run(const ParsedCommand&) {
    VaultSync& vault = services_.vault();
    try {
        const VaultSync::Result result = vault.syncNow();
        terminal_.message("Wrote " + std::to_string(result.notes) + " notes to " +
                          vault.vaultDir().string() + ".");
        return ExitStatus::Success;
    } catch (const Error& error) {
        terminal_.message(error.what());
        return ExitStatus::Failure;
    }
}

} // namespace orvendi
