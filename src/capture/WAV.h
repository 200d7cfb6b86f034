#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Bytes.h"

namespace orvendi {

// Stateless operations on WAV byte buffers (16 kHz mono 16-bit PCM). Every one
// accepts any bytes at all: malformed input is "no payload", never an error.
namespace WAV {
// The payload of the first "data" chunk, if the buffer is a RIFF/WAVE file.
std::optional<Bytes> pcmData(const Bytes& wav);
// A 44-byte header followed by the samples; absent when the payload does not
// fit the 32-bit size fields.
std::optional<Bytes> wrap(const Bytes& pcm16k);
// The payload cut into WAV files of at most `maximumPCMBytes` of samples each
// (rounded down to whole samples, at least one sample per file).
std::vector<Bytes> chunks(const Bytes& wav, int64_t maximumPCMBytes);
// True when the buffer holds something that may be speech: not silent and not
// so loud that it can only be noise.
bool hasPlausibleVoiceSignal(const Bytes& wav);
} // namespace WAV

} // namespace orvendi
