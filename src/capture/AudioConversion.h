#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "base/Bytes.h"

namespace orvendi {

// Reads any audio file libsndfile can read and converts it to 16 kHz mono
// signed 16-bit little-endian samples (no header). Absent when the file cannot
// be opened or the converter cannot be made; a read or conversion error later
// keeps what was converted before it. With `maxInputFrames` (>= 0), a file
// holding more frames than that is absent as well, found out after reading
// at most one block beyond the limit, whatever its header claims.
std::optional<Bytes> convertTo16kMonoInt16(const std::filesystem::path& file,
                                           int64_t maxInputFrames = -1);

} // namespace orvendi
