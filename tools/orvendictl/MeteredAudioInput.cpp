#include "MeteredAudioInput.h"

namespace orvendi {

void MeteredAudioInput::installTap(uint32_t bufferFrames, AudioTap tap) {
    microphone_.installTap(bufferFrames,
                           [this, tap = std::move(tap)](const float* const* planes,
                                                        uint32_t channels, uint32_t frames) {
                               meter_.hear(planes, channels, frames);
                               tap(planes, channels, frames);
                           });
}

} // namespace orvendi
