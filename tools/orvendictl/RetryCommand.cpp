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
    const RecoveryStore& store = services_.recoveryStore();
    if (command.operands.empty()) {
        // Recordings that hold nothing usable are set aside on the way.
        const auto recording = store.takeNextPending();
        if (!recording) {
            terminal_.message("No saved recordings.");
            return ExitStatus::Failure;
        }
        return RecordingDelivery(services_.api(), terminal_).deliver(*recording);
    }
    // Only the store's own files: delivering a recording deletes it, and a
    // sound file of the user's must never go that way (transcribe it instead).
    const auto entry = SavedRecordings(store).find(command.operands.front());
    if (!entry) {
        terminal_.message(command.operands.front() +
                          " is not a saved recording (see 'orvendictl recordings').");
        return ExitStatus::Failure;
    }
    if (RecoveryStore::isBeingRecorded(entry->path)) {
        terminal_.message(entry->path.string() + " is still being recorded.");
        return ExitStatus::Failure;
    }
    const auto recording = store.take(entry->path);
    if (!recording) {
        std::error_code error;
        terminal_.message(std::filesystem::exists(entry->path, error)
                              ? "Couldn\u2019t read the saved recording " + entry->path.string() +
                                    "; it stays where it is."
                              : entry->path.string() +
                                    " holds no usable audio; it was moved to \"Unreadable "
                                    "Recordings\" beside it.");
        return ExitStatus::Failure;
    }
    return RecordingDelivery(services_.api(), terminal_).deliver(*recording);
}

} // namespace orvendi
