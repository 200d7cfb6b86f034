#pragma once

#include <cstdint>
#include <filesystem>

#include "base/Bytes.h"
#include "base/Error.h"

namespace orvendi {

// A sound file that cannot be read or turned into something the service takes.
class SoundFileError : public Error {
public:
    using Error::Error;
};

// What the tool sends for one sound file: a 16 kHz mono 16-bit WAV and its
// length in whole seconds.
struct SoundFilePayload {
    Bytes wav;
    int64_t durationSecs = 0;

    // A WAV already in that format goes as it is, byte for byte; anything else
    // libsndfile reads is converted and wrapped. The duration is the payload's
    // length rounded to the nearest second, halves away from zero.
    // Throws SoundFileError.
    static SoundFilePayload load(const std::filesystem::path& file);
};

} // namespace orvendi
