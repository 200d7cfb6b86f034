#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "base/Bytes.h"

namespace orvendi {

// A finished recording: the WAV sent for transcription and the copy of it
// kept in the recovery store until its text has been delivered.
struct Recording {
    // A complete 16 kHz mono 16-bit WAV file.
    Bytes wav;
    int64_t durationSeconds = 0;
    // The pending WAV file in the recovery folder.
    std::filesystem::path recoveryURL;

    // Deletes the recovery copy once its text is delivered; a copy that is
    // already gone is fine.
    void discardRecoveryCopy() const;
    // Moves the recovery copy into "Silent Recordings" next to it, so it is no
    // longer offered for retry. Absent when it cannot be moved, including when
    // a file of that name is already there (it is never overwritten); the copy
    // then stays where it was.
    std::optional<std::filesystem::path> archiveSilentCopy() const;
};

} // namespace orvendi
