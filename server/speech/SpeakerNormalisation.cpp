#include "speech/SpeakerNormalisation.h"

#include <algorithm>

namespace orvendi::server {
namespace {

// `a` weighing `weightA` against `b` weighing `weightB`.
SpeakerNormalisation::Mean blend(const SpeakerNormalisation::Mean& a, double weightA,
                                 const SpeakerNormalisation::Mean& b, double weightB) {
    SpeakerNormalisation::Mean out(a.size());
    for (size_t i = 0; i < a.size(); ++i) {
        out[i] = (a[i] * weightA + b[i] * weightB) / (weightA + weightB);
    }
    return out;
}

} // namespace

SpeakerNormalisation::SpeakerNormalisation(double memoryFrames, size_t maximumSpeakers)
    : memoryFrames_(memoryFrames), maximumSpeakers_(std::max<size_t>(1, maximumSpeakers)) {}

SpeakerNormalisation::Mean SpeakerNormalisation::meanFor(const std::string& speaker,
                                                         const Mean& own, size_t frames) const {
    std::lock_guard lock(mutex_);
    const auto heard = speakers_.find(speaker);
    if (speaker.empty() || heard == speakers_.end() || heard->second.mean.size() != own.size() ||
        frames == 0) {
        return own;
    }
    return blend(own, double(frames), heard->second.mean, heard->second.frames);
}

void SpeakerNormalisation::learn(const std::string& speaker, const Mean& own, size_t frames) {
    if (speaker.empty() || frames == 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!speakers_.count(speaker) && speakers_.size() >= maximumSpeakers_) {
        forgetOldestSpeaker();
    }
    Heard& heard = speakers_[speaker];
    if (heard.mean.size() != own.size() || heard.frames == 0) {
        heard.mean = own;
        heard.frames = 0;
    } else {
        heard.mean = blend(heard.mean, heard.frames, own, double(frames));
    }
    heard.frames = std::min(heard.frames + double(frames), memoryFrames_);
    heard.lastLearnt = ++learnt_;
}

void SpeakerNormalisation::forgetOldestSpeaker() {
    const auto oldest =
        std::min_element(speakers_.begin(), speakers_.end(), [](const auto& a, const auto& b) {
            return a.second.lastLearnt < b.second.lastLearnt;
        });
    if (oldest != speakers_.end()) {
        speakers_.erase(oldest);
    }
}

} // namespace orvendi::server
