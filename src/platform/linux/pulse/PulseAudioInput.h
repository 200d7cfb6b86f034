#pragma once

#include <optional>
#include <vector>

#include <pulse/stream.h>

#include "platform/AudioInput.h"
#include "platform/linux/pulse/PulseContext.h"

namespace orvendi {

// The default microphone through PulseAudio (or PipeWire's Pulse server). The
// recording stream takes the default source at its native rate and channel
// count as 32-bit float, so the server neither resamples nor remixes; the
// frames are regrouped into planes of the tap's buffer size on the loop thread.
class PulseAudioInput : public AudioInput {
public:
    PulseAudioInput();
    ~PulseAudioInput() override;

    AudioFormat inputFormat() override;
    void installTap(uint32_t bufferFrames, AudioTap tap) override;
    void removeTap() override;
    void start() override;
    void stop() override;

private:
    PulseContext::Source sourceLocked();
    void closeStreamLocked();
    void readAvailableLocked();
    void gatherLocked(const float* interleaved, size_t frames);
    void deliverGatheredLocked();
    void resetPlanesLocked();

    PulseContext pulse_;
    // Everything below is guarded by the loop's lock.
    std::optional<PulseContext::Source> source_;
    pa_stream* stream_ = nullptr;
    AudioTap tap_;
    uint32_t bufferFrames_ = 4096;
    uint32_t channels_ = 0;
    std::vector<std::vector<float>> planes_;
    std::vector<const float*> planePointers_;
    uint32_t gathered_ = 0;
};

} // namespace orvendi
