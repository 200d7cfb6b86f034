#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Bytes.h"
#include "capture/Recording.h"
#include "platform/Files.h"

namespace orvendi {

// The folder where every recording stays from its first sample until its text
// has been delivered: spool files ("caf") of recordings in progress or never
// converted, and converted recordings ("wav") waiting for a transcript.
// Holds no state of its own; each file belongs to one caller at a time.
class RecoveryStore {
public:
    explicit RecoveryStore(const Files& files) : files_(files) {}

    // "Orvendi/Pending Recordings" in the application-support folder, created
    // if needed. Throws PlatformError when it cannot be.
    std::filesystem::path recoveryDirectory() const;
    // A new, not yet existing file "pending-<uuid>.<pathExtension>" in the
    // recovery folder; the file itself is not created.
    std::filesystem::path newRecoveryURL(const std::string& pathExtension) const;
    // Writes `wav` atomically under the name of `replacing` with the extension
    // "wav", then deletes `replacing`. Throws PlatformError when the WAV cannot
    // be written; the replaced file then stays.
    std::filesystem::path persistForRecovery(const Bytes& wav,
                                             const std::filesystem::path& replacing) const;
    // The recoverable files, newest first; empty when the folder is unreadable.
    std::vector<std::filesystem::path> pendingRecordings() const;
    // The recording in `file`, converting a spool file into a stored WAV first.
    // Absent when there is nothing usable; the file then stays where it was.
    std::optional<Recording> recover(const std::filesystem::path& file) const;

    // Whether a recorder is still writing `file`: it is `liveSpool` (the
    // caller's own recording in progress), or, when `othersMayRecord`, a spool
    // file written to in the last few seconds (a recorder in another process).
    static bool isBeingRecorded(const std::filesystem::path& file,
                                const std::optional<std::filesystem::path>& liveSpool = {},
                                bool othersMayRecord = true);
    // The recordings a retry may take, newest first: the pending ones that no
    // recorder is writing.
    std::vector<std::filesystem::path>
    retryableRecordings(const std::optional<std::filesystem::path>& liveSpool = {},
                        bool othersMayRecord = true) const;
    // The newest retryable recording that can be recovered. One that cannot be
    // read or holds no audio is set aside on the way, so that it does not block
    // the older ones; one that could not be stored stays for a later attempt.
    std::optional<Recording>
    takeNextPending(const std::optional<std::filesystem::path>& liveSpool = {},
                    bool othersMayRecord = true) const;
    // recover(), except that a file that cannot be read or holds no audio is
    // moved into "Unreadable Recordings" beside it: out of the pending list,
    // but kept for the user.
    std::optional<Recording> take(const std::filesystem::path& file) const;

private:
    enum class RecoveryFailure { Unusable, NotStored };
    std::variant<Recording, RecoveryFailure>
    attemptRecovery(const std::filesystem::path& file) const;

    const Files& files_;
};

} // namespace orvendi
