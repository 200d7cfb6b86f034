#pragma once

#include <cstdint>
#include <functional>

namespace orvendi {

// The native format of the default input: 32-bit float samples.
struct AudioFormat {
    double sampleRate = 0;
    uint32_t channels = 0;
};

// Receives one buffer: `channels` planes of `frames` float samples each. Runs on
// the audio thread; the planes are valid only during the call.
using AudioTap =
    std::function<void(const float* const* planes, uint32_t channels, uint32_t frames)>;

// The default microphone. Throws PlatformError with a readable description.
class AudioInput {
public:
    virtual ~AudioInput() = default;
    virtual AudioFormat inputFormat() = 0;
    // At most one tap is installed; installing replaces the previous one. The
    // tap receives buffers of `bufferFrames` frames; removeTap() and stop() hand
    // it the frames gathered so far, so the last buffer may be shorter.
    virtual void installTap(uint32_t bufferFrames, AudioTap tap) = 0;
    // After it returns the tap is never called again.
    virtual void removeTap() = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
};

} // namespace orvendi
