#pragma once

#include <cstdint>
#include <vector>

namespace orvendi {

// A plain byte buffer (WAV files, PCM samples, request bodies).
using Bytes = std::vector<uint8_t>;

} // namespace orvendi
