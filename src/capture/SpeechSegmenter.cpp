#include "capture/SpeechSegmenter.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvendi {
namespace {

constexpr double kBytesPerSecond = 32000;
// Speech is judged in 20 ms frames.
constexpr size_t kFrameBytes = 640;
constexpr double kFrameSeconds = kFrameBytes / kBytesPerSecond;
// A frame is speech when it is louder than this absolute floor (about
// -46 dBFS, above the hiss of an idle microphone) and than this share of the
// loudest frame so far (20 dB under it), which follows the speaker's own
// level and the gain of the microphone.
constexpr double kSpeechFloor = 0.005;
constexpr double kShareOfLoudest = 0.1;

double frameLevel(const uint8_t* frame) {
    double sum = 0;
    for (size_t i = 0; i + 1 < kFrameBytes; i += 2) {
        const double sample = int16_t(uint16_t(frame[i] | frame[i + 1] << 8)) / 32768.0;
        sum += sample * sample;
    }
    return std::sqrt(sum / (kFrameBytes / 2));
}

size_t framesIn(double seconds) {
    return size_t(std::ceil(seconds / kFrameSeconds - 1e-9));
}

} // namespace

std::vector<Bytes> SpeechSegmenter::push(const uint8_t* pcm, size_t bytes) {
    current_.insert(current_.end(), pcm, pcm + bytes);
    std::vector<Bytes> parts;
    const size_t pauseFrames = framesIn(rules_.pauseSeconds);
    const size_t speechFramesNeeded = framesIn(rules_.minimumSpeechSeconds);
    // A whole number of samples, never empty.
    const size_t largest = std::max<size_t>(2, rules_.maximumSegmentBytes & ~size_t(1));
    while (true) {
        if (current_.size() - analysedBytes_ < kFrameBytes && current_.size() < largest) {
            break;
        }
        if (analysedBytes_ + kFrameBytes > largest) {
            // The speaker never paused: cut where one upload is full.
            cutAt(largest, parts);
            continue;
        }
        const bool speech = isSpeech(current_.data() + analysedBytes_);
        analysedBytes_ += kFrameBytes;
        speechFrames_ += speech ? 1 : 0;
        quietRun_ = speech ? 0 : quietRun_ + 1;
        const double recordedSeconds = (cutBytes_ + analysedBytes_) / kBytesPerSecond;
        if (quietRun_ >= pauseFrames && speechFrames_ >= speechFramesNeeded &&
            recordedSeconds >= rules_.firstCutAfterSeconds) {
            cutAt(analysedBytes_ - (quietRun_ / 2) * kFrameBytes, parts);
        }
    }
    return parts;
}

bool SpeechSegmenter::isSpeech(const uint8_t* frame) {
    const double level = frameLevel(frame);
    loudest_ = std::max(loudest_, level);
    return level >= kSpeechFloor && level >= loudest_ * kShareOfLoudest;
}

void SpeechSegmenter::cutAt(size_t bytes, std::vector<Bytes>& parts) {
    parts.emplace_back(current_.begin(), current_.begin() + long(bytes));
    current_.erase(current_.begin(), current_.begin() + long(bytes));
    cutBytes_ += bytes;
    // The frames after the cut were quiet (a pause) or are judged again.
    analysedBytes_ = std::min(analysedBytes_ - std::min(analysedBytes_, bytes), current_.size());
    analysedBytes_ -= analysedBytes_ % kFrameBytes;
    speechFrames_ = 0;
    quietRun_ = analysedBytes_ / kFrameBytes;
}

Bytes SpeechSegmenter::takeRest() {
    cutBytes_ += current_.size();
    analysedBytes_ = 0;
    speechFrames_ = 0;
    quietRun_ = 0;
    return std::exchange(current_, {});
}

double SpeechSegmenter::seconds() const {
    return (cutBytes_ + current_.size()) / kBytesPerSecond;
}

} // namespace orvendi
