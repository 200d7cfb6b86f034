#include "capture/WAV.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>

namespace orvendi::WAV {
namespace {

constexpr size_t kRiffPreambleBytes = 12; // "RIFF", size, "WAVE"
constexpr size_t kChunkHeaderBytes = 8;   // identifier, size
constexpr size_t kCanonicalHeaderBytes = 44;
// The RIFF size field counts everything after itself: 36 header bytes + payload.
constexpr uint64_t kRiffSizeOverhead = 36;
constexpr uint64_t kLargestSizeField = 0xFFFF'FFFF;
constexpr size_t kLargestWrappablePayload = kLargestSizeField - kRiffSizeOverhead;
constexpr size_t kBytesPerSample = 2;

constexpr uint32_t kSampleRate = 16000;
constexpr uint16_t kChannels = 1;
constexpr uint16_t kBitsPerSample = 16;
constexpr uint16_t kIntegerPCM = 1;
constexpr uint32_t kFormatChunkBytes = 16;

// Below this peak a recording is silence; at or above this RMS level (of full
// scale) it is noise rather than a voice.
constexpr int32_t kSilencePeak = 64;
constexpr double kNoiseRMS = 0.6;
constexpr double kFullScale = 32768.0;

using ByteView = std::span<const uint8_t>;

bool hasTag(const Bytes& bytes, size_t offset, const char (&tag)[5]) {
    return std::memcmp(bytes.data() + offset, tag, 4) == 0;
}

uint32_t readUInt32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

using Header = std::array<uint8_t, kCanonicalHeaderBytes>;

void putTag(Header& header, size_t offset, const char (&tag)[5]) {
    std::memcpy(header.data() + offset, tag, 4);
}

void putUInt32(Header& header, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        header[offset + i] = uint8_t(value >> (8 * i));
    }
}

void putUInt16(Header& header, size_t offset, uint16_t value) {
    header[offset] = uint8_t(value);
    header[offset + 1] = uint8_t(value >> 8);
}

// The body of the first "data" chunk, in place. Every bound is checked before
// the bytes are touched, so any input at all is safe to hand in.
std::optional<ByteView> payloadView(const Bytes& wav) {
    if (wav.size() < kRiffPreambleBytes || !hasTag(wav, 0, "RIFF") || !hasTag(wav, 8, "WAVE")) {
        return std::nullopt;
    }
    size_t cursor = kRiffPreambleBytes;
    while (true) {
        if (cursor > wav.size() || wav.size() - cursor < kChunkHeaderBytes) {
            return std::nullopt;
        }
        const size_t bodyStart = cursor + kChunkHeaderBytes;
        const uint32_t size = readUInt32(wav.data() + cursor + 4);
        // A size running past the end is a damaged or unfinished file; its
        // samples cannot be trusted, so it is not cut short to what is there.
        if (size > wav.size() - bodyStart) {
            return std::nullopt;
        }
        if (hasTag(wav, cursor, "data")) {
            return ByteView(wav.data() + bodyStart, size);
        }
        // Chunks of odd size are followed by one pad byte.
        cursor = bodyStart + size + (size & 1u);
    }
}

// The canonical header followed by the payload; the caller has checked that
// the payload fits the size fields. GCC 12 takes the copy of an empty payload
// for a copy from a null pointer (every way of writing it trips one of its
// -Wnull-dereference, -Warray-bounds or -Wstringop-overflow checks).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnull-dereference"
#endif
Bytes withHeader(ByteView payload) {
    const auto payloadBytes = uint32_t(payload.size());
    Header header{};
    putTag(header, 0, "RIFF");
    putUInt32(header, 4, payloadBytes + uint32_t(kRiffSizeOverhead));
    putTag(header, 8, "WAVE");
    putTag(header, 12, "fmt ");
    putUInt32(header, 16, kFormatChunkBytes);
    putUInt16(header, 20, kIntegerPCM);
    putUInt16(header, 22, kChannels);
    putUInt32(header, 24, kSampleRate);
    putUInt32(header, 28, kSampleRate * kChannels * kBitsPerSample / 8);
    putUInt16(header, 32, kChannels * kBitsPerSample / 8);
    putUInt16(header, 34, kBitsPerSample);
    putTag(header, 36, "data");
    putUInt32(header, 40, payloadBytes);
    Bytes out(header.size() + payload.size());
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(payload.begin(), payload.end(), out.begin() + header.size());
    return out;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

} // namespace

std::optional<Bytes> pcmData(const Bytes& wav) {
    auto payload = payloadView(wav);
    if (!payload) {
        return std::nullopt;
    }
    return Bytes(payload->begin(), payload->end());
}

std::optional<Bytes> wrap(const Bytes& pcm16k) {
    if (pcm16k.size() > kLargestWrappablePayload) {
        return std::nullopt;
    }
    return withHeader(pcm16k);
}

std::vector<Bytes> chunks(const Bytes& wav, int64_t maximumPCMBytes) {
    auto payload = payloadView(wav);
    if (!payload || payload->empty()) {
        return {};
    }
    // Whole samples per chunk, at least one, and never more than a WAV header
    // can describe (a payload near 4 GiB would otherwise come back unwrapped).
    const int64_t evenMaximum = maximumPCMBytes - maximumPCMBytes % 2;
    const size_t largestEvenPayload = kLargestWrappablePayload - kLargestWrappablePayload % 2;
    const size_t step = std::min<size_t>(size_t(std::max<int64_t>(evenMaximum, kBytesPerSample)),
                                         largestEvenPayload);
    std::vector<Bytes> result;
    result.reserve((payload->size() + step - 1) / step);
    for (size_t offset = 0; offset < payload->size();) {
        const size_t length = std::min(step, payload->size() - offset);
        result.push_back(withHeader(payload->subspan(offset, length)));
        offset += length;
    }
    return result;
}

bool hasPlausibleVoiceSignal(const Bytes& wav) {
    auto payload = payloadView(wav);
    if (!payload) {
        return false;
    }
    const size_t count = payload->size() / kBytesPerSample; // a trailing odd byte is no sample
    const uint8_t* bytes = payload->data();
    // Squares of 16-bit samples summed exactly as integers: no rounding drift,
    // even over hours of audio (2^30 per sample, far from 2^64).
    uint64_t sumOfSquares = 0;
    int32_t peak = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto sample = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
        const int32_t magnitude = std::abs(int32_t(sample));
        sumOfSquares += uint64_t(magnitude * magnitude);
        peak = std::max(peak, magnitude);
    }
    if (count == 0 || peak < kSilencePeak) {
        return false;
    }
    const double rms = std::sqrt(double(sumOfSquares) / double(count)) / kFullScale;
    return rms < kNoiseRMS;
}

} // namespace orvendi::WAV
