#pragma once

#include <cstdint>
#include <string>

#include "base/Bytes.h"

namespace orvendi {

// The multipart form of one transcription upload, written byte for byte as the
// backend expects it: the audio part first (the only part with a Content-Type),
// then "duration_secs", "source" and, for uploads that are not themselves the
// saved dictation, "ephemeral".
namespace MultipartBody {

// "orvendi-" and a fresh random UUID in upper case: a new one for every upload.
std::string newBoundary();

std::string build(const std::string& boundary, const Bytes& wav, int64_t durationSecs,
                  const std::string& source, bool ephemeral);

inline std::string contentType(const std::string& boundary) {
    return "multipart/form-data; boundary=" + boundary;
}

} // namespace MultipartBody

} // namespace orvendi
