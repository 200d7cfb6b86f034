#include "LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace orvendi {
namespace {

// The quietest level the bar shows; below it the bar is empty.
constexpr float kFloorDecibels = -60;

} // namespace

void LevelMeter::hear(const float* const* planes, uint32_t channels, uint32_t frames) {
    float loudest = 0;
    for (uint32_t channel = 0; channel < channels; ++channel) {
        for (uint32_t frame = 0; frame < frames; ++frame) {
            const float magnitude = std::fabs(planes[channel][frame]);
            if (std::isfinite(magnitude)) {
                loudest = std::max(loudest, magnitude);
            }
        }
    }
    float current = peak_.load(std::memory_order_relaxed);
    while (loudest > current &&
           !peak_.compare_exchange_weak(current, loudest, std::memory_order_relaxed)) {
    }
}

float LevelMeter::takePeak() {
    return peak_.exchange(0, std::memory_order_relaxed);
}

std::string LevelMeter::bar(float peak, int width) {
    int filled = 0;
    if (peak > 0 && std::isfinite(peak)) {
        const float decibels = 20 * std::log10(std::min(peak, 1.0f));
        const float share = std::clamp(1 - decibels / kFloorDecibels, 0.0f, 1.0f);
        filled = static_cast<int>(std::lround(share * float(width)));
    }
    std::string text(size_t(width) + 2, ' ');
    text.front() = '[';
    text.back() = ']';
    std::fill_n(text.begin() + 1, filled, '#');
    return text;
}

} // namespace orvendi
