#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "base/Bytes.h"

namespace orvendi::server {

// Reads an uploaded audio file (any format libsndfile knows, WAV above all)
// into 16 kHz mono 16-bit samples. The upload passes through a private
// temporary file in `scratchDir`, removed again at once.
class AudioDecoder {
public:
    explicit AudioDecoder(std::filesystem::path scratchDir);

    // Absent when the bytes are not audio libsndfile can read.
    std::optional<Bytes> decode(std::string_view fileBytes) const;

private:
    std::filesystem::path scratchDir_;
};

} // namespace orvendi::server
