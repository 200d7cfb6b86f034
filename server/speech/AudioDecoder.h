#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "base/Bytes.h"

namespace orvendi::server {

// Reads an uploaded audio file (any format libsndfile knows, WAV above all)
// into 16 kHz mono 16-bit samples. The upload passes through a private
// temporary file in `scratchDir`, removed again at once. What the file
// declares is checked before anything is converted: a tiny file claiming a
// rate of 1 Hz would otherwise become 16,000 times its samples.
class AudioDecoder {
public:
    static constexpr int kLowestRate = 8000;
    static constexpr int kHighestRate = 192000;
    static constexpr int kMostChannels = 8;

    AudioDecoder(std::filesystem::path scratchDir, double maxSeconds);

    // Absent when the bytes are not audio libsndfile can read. Throws
    // ServiceError 400 for a rate or channel count out of range, or more than
    // `maxSeconds` of audio (declared or found while converting).
    std::optional<Bytes> decode(std::string_view fileBytes) const;

private:
    std::filesystem::path scratchDir_;
    double maxSeconds_;
};

} // namespace orvendi::server
