#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Bytes.h"
namespace orvendi {

// Turns float audio at any rate and channel count into 16 kHz mono signed
// 16-bit little-endian samples as it arrives, so that a long recording needs
// only its last moments converted when it ends. Channels are averaged; a
// non-finite sample counts as silence. The same input gives the same bytes
// however it is split into pieces.
//
// Not thread-safe: one owner feeds it, on one thread at a time.
class StreamingConverter {
public:
    // Throws Error when the resampler cannot be made for these values.
    StreamingConverter(double inputRate, uint32_t channels);
    ~StreamingConverter();
    StreamingConverter(const StreamingConverter&) = delete;
    StreamingConverter& operator=(const StreamingConverter&) = delete;

    // Converts `frames` interleaved frames, appending what the resampler
    // releases to `output`. False after a conversion error: the input is then
    // refused from here on, and what was converted before stays.
    bool feed(const float* interleaved, size_t frames, Bytes& output);
    // Appends the samples still held in the resampler's filter; no more
    // input is taken afterwards.
    void finish(Bytes& output);

private:
    struct Resampler;
    bool push(const float* mono, size_t count, Bytes& output);
    void append(size_t frames, Bytes& output) const;

    uint32_t channels_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<float> mono_;
    std::vector<int16_t> piece_;
    bool failed_ = false;
};

} // namespace orvendi
