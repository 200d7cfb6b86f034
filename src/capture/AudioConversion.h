#pragma once

#include <filesystem>
#include <optional>

#include "base/Bytes.h"

namespace orvendi {

// Reads any audio file libsndfile can read and converts it to 16 kHz mono
// signed 16-bit little-endian samples (no header). Absent when the file cannot
// be opened or the converter cannot be made; a read or conversion error later
// keeps what was converted before it.
std::optional<Bytes> convertTo16kMonoInt16(const std::filesystem::path& file);

} // namespace orvendi
