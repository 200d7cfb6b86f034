#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace orvendi {

// How loud the microphone is, for the terminal: the peak of the audio heard
// since the meter was last read, drawn as a bar on a decibel scale.
class LevelMeter {
public:
    static constexpr int kBarWidth = 20;

    // Called on the audio thread with each buffer of float planes.
    void hear(const float* const* planes, uint32_t channels, uint32_t frames);
    // The peak (0 to 1) since the last call, which starts a new one.
    float takePeak();

    // `width` cells, filled in proportion to the peak's level between -60 dBFS
    // and full scale: "[#######             ]".
    static std::string bar(float peak, int width = kBarWidth);

private:
    std::atomic<float> peak_{0};
};

} // namespace orvendi
