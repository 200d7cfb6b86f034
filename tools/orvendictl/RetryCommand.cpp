#include "RetryCommand.h"

#include "RecordingDelivery.h"
#include "SavedRecordings.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "capture/RecoveryStore.h"

namespace orvendi {

CommandSyntax RetryCommand::syntax() {
    return {"retry",
            {},
            {},
            0,
            1,
            "retry [FILE]",
            "Transcribes a saved recording again: FILE (a path or a name from 'orvendictl\n"
            "recordings'), or the newest one. Delivers it as 'record' does."};
}

ExitStatus RetryCommand::run(const ParsedCommand& command) {
    const SavedRecordings saved(services_.recoveryStore());
    std::filesystem::path file;
    if (command.operands.empty()) {
        const auto newest = saved.newestIdle();
        if (!newest) {
            terminal_.message("No saved recordings.");
            return ExitStatus::Failure;
        }
        file = *newest;
    } else {
        // Only the store's own files: delivering a recording deletes it, and a
        // sound file of the user's must never go that way (transcribe it instead).
        const auto entry = saved.find(command.operands.front());
        if (!entry) {
            terminal_.message(command.operands.front() +
                              " is not a saved recording (see 'orvendictl recordings').");
            return ExitStatus::Failure;
        }
        if (SavedRecordings::isBeingRecorded(*entry)) {
            terminal_.message(entry->path.string() + " is still being recorded.");
            return ExitStatus::Failure;
        }
        file = entry->path;
    }
    const auto recording = services_.recoveryStore().recover(file);
    if (!recording) {
        terminal_.message("Couldn\u2019t read the saved recording " + file.string() +
                          "; it stays where it is.");
        return ExitStatus::Failure;
    }
    return RecordingDelivery(services_.api(), terminal_).deliver(*recording);
}

} // namespace orvendi
