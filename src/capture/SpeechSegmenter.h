#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Bytes.h"
namespace orvendi {

// Where a long recording may be cut so that its parts can be transcribed one
// by one while the speaker goes on: at a pause, once the recording is long
// enough to be worth it and the part holds enough speech to be recognised on
// its own; hard at the largest upload if the speaker never pauses.
struct SegmentRules {
    // No cut before the recording is this long: shorter ones go up whole.
    double firstCutAfterSeconds = 10;
    // A pause is this long a stretch below the speech level.
    double pauseSeconds = 0.3;
    // A part holds at least this much audio at the speech level.
    double minimumSpeechSeconds = 3;
    // A part never holds more PCM than one upload takes (about 98 seconds).
    size_t maximumSegmentBytes = 3'145'728;
};

// Cuts a stream of 16 kHz mono 16-bit samples into parts. Every byte pushed
// ends up in exactly one part or in the rest, in order. A pause is cut in its
// middle, so each side keeps a little silence. Not thread-safe.
class SpeechSegmenter {
public:
    explicit SpeechSegmenter(SegmentRules rules = {}) : rules_(rules) {}

    // Appends samples; returns the PCM of every part finished by them, in order.
    std::vector<Bytes> push(const uint8_t* pcm, size_t bytes);
    std::vector<Bytes> push(const Bytes& pcm) { return push(pcm.data(), pcm.size()); }
    // Everything after the last cut; the segmenter starts again empty.
    Bytes takeRest();
    // Seconds of audio pushed so far.
    double seconds() const;

private:
    bool isSpeech(const uint8_t* frame);
    void cutAt(size_t bytes, std::vector<Bytes>& parts);

    SegmentRules rules_;
    // The part being gathered; its first analysedBytes_ are already judged.
    Bytes current_;
    size_t analysedBytes_ = 0;
    uint64_t cutBytes_ = 0;
    size_t speechFrames_ = 0;
    size_t quietRun_ = 0;
    double loudest_ = 0;
};

} // namespace orvendi
