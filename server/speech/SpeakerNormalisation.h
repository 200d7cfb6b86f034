#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvendi::server {

// What the recogniser has learnt of each speaker's microphone and voice: the
// average of their recent cepstra, the spectral colour it subtracts before it
// decodes. A single request estimates that colour poorly when it is short, as
// the parts of a long dictation sent while the user speaks are; blending in the
// speaker's recent audio gives a short request about the normalisation a long
// one has. Kept in memory only, for a bounded number of speakers. Thread-safe.
class SpeakerNormalisation {
public:
    using Mean = std::vector<double>;

    // About 200 s of a speaker's recent audio (10 ms frames) counts.
    static constexpr double kDefaultMemoryFrames = 20'000;
    static constexpr size_t kDefaultMaximumSpeakers = 1'000;

    explicit SpeakerNormalisation(double memoryFrames = kDefaultMemoryFrames,
                                  size_t maximumSpeakers = kDefaultMaximumSpeakers);

    // The mean to subtract from a request of `frames` frames whose own mean is
    // `own`: `own` itself for a speaker not heard yet (or none, ""), otherwise
    // weighed against what was heard by frame count.
    Mean meanFor(const std::string& speaker, const Mean& own, size_t frames) const;
    // Adds a recognised request to what is known of `speaker`; older audio fades.
    void learn(const std::string& speaker, const Mean& own, size_t frames);

private:
    struct Heard {
        Mean mean;
        double frames = 0;
        uint64_t lastLearnt = 0;
    };
    void forgetOldestSpeaker();

    double memoryFrames_;
    size_t maximumSpeakers_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Heard> speakers_;
    uint64_t learnt_ = 0;
};

} // namespace orvendi::server
