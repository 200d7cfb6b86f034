#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/Bytes.h"
namespace orvendi::test {

// Mono audio that a level-based ear takes for speech: "sentences" of
// 0.6-second tones ("words") with 0.1-second gaps, and pauses of silence.
class SpeechLikeAudio {
public:
    static constexpr double kWordSeconds = 0.6;
    static constexpr double kWordGapSeconds = 0.1;

    explicit SpeechLikeAudio(double rate) : rate_(rate) {}

    SpeechLikeAudio& sentence(int words) {
        for (int word = 0; word < words; ++word) {
            tone(kWordSeconds);
            silence(kWordGapSeconds);
        }
        return *this;
    }
    SpeechLikeAudio& silence(double seconds) {
        samples_.resize(samples_.size() + frames(seconds), 0.0f);
        return *this;
    }
    SpeechLikeAudio& tone(double seconds) {
        const size_t count = frames(seconds);
        for (size_t i = 0; i < count; ++i) {
            samples_.push_back(0.3f * float(std::sin(2 * M_PI * 220 * double(i) / rate_)));
        }
        return *this;
    }

    const std::vector<float>& samples() const { return samples_; }
    double seconds() const { return double(samples_.size()) / rate_; }
    // 16-bit little-endian PCM (meaningful at 16 kHz).
    Bytes pcm() const {
        Bytes bytes;
        for (float sample : samples_) {
            const auto value = uint16_t(int16_t(std::lround(sample * 32767)));
            bytes.push_back(uint8_t(value & 0xff));
            bytes.push_back(uint8_t(value >> 8));
        }
        return bytes;
    }

private:
    size_t frames(double seconds) const { return size_t(std::lround(seconds * rate_)); }

    double rate_;
    std::vector<float> samples_;
};

} // namespace orvendi::test
