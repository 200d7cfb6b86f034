#include "capture/StreamingConverter.h"

#include <bit>
#include <cmath>
#include <soxr.h>

#include "base/Error.h"
namespace orvendi {
namespace {

constexpr double kTargetRate = 16000;
constexpr size_t kBytesPerSample = 2;
// Output is gathered in pieces of this many frames, so memory stays flat.
constexpr size_t kOutputPieceFrames = 8192;

} // namespace

struct StreamingConverter::Resampler {
    soxr_t handle = nullptr;
    ~Resampler() { soxr_delete(handle); }
};

StreamingConverter::StreamingConverter(double inputRate, uint32_t channels)
    : channels_(channels), resampler_(std::make_unique<Resampler>()), piece_(kOutputPieceFrames) {
    if (!(inputRate > 0) || channels == 0) {
        throw Error("Audio at this sample rate and channel count cannot be converted.");
    }
    // Mono float in, 16-bit out. No dither: the same recording always gives
    // the same bytes, and the speech recogniser gains nothing from it.
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    resampler_->handle = soxr_create(inputRate, kTargetRate, 1, &error, &io, &quality, nullptr);
    if (error != nullptr) {
        throw Error(std::string("The audio converter could not be made: ") + error);
    }
}

StreamingConverter::~StreamingConverter() = default;

bool StreamingConverter::feed(const float* interleaved, size_t frames, Bytes& output) {
    if (failed_) {
        return false;
    }
    mono_.resize(frames);
    const float scale = 1.0f / float(channels_);
    for (size_t frame = 0; frame < frames; ++frame) {
        const float* first = interleaved + frame * channels_;
        float sum = 0;
        for (uint32_t channel = 0; channel < channels_; ++channel) {
            sum += first[channel];
        }
        const float mean = channels_ == 1 ? sum : sum * scale;
        // One NaN would stay in the resampler's filter and silence everything after it.
        mono_[frame] = std::isfinite(mean) ? mean : 0.0f;
    }
    failed_ = !push(mono_.data(), frames, output);
    return !failed_;
}

bool StreamingConverter::push(const float* mono, size_t count, Bytes& output) {
    while (count > 0) {
        size_t consumed = 0;
        size_t produced = 0;
        if (soxr_process(resampler_->handle, mono, count, &consumed, piece_.data(), piece_.size(),
                         &produced) != nullptr) {
            return false;
        }
        append(produced, output);
        if (consumed == 0 && produced == 0) {
            return false; // the resampler refuses input: end rather than spin
        }
        mono += consumed;
        count -= consumed;
    }
    return true;
}

void StreamingConverter::finish(Bytes& output) {
    if (failed_) {
        return;
    }
    failed_ = true;
    while (true) {
        size_t produced = 0;
        if (soxr_process(resampler_->handle, nullptr, 0, nullptr, piece_.data(), piece_.size(),
                         &produced) != nullptr ||
            produced == 0) {
            return;
        }
        append(produced, output);
    }
}

// The resampler writes native 16-bit integers; WAV payloads are little-endian.
static_assert(std::endian::native == std::endian::little);
void StreamingConverter::append(size_t frames, Bytes& output) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(piece_.data());
    output.insert(output.end(), bytes, bytes + frames * kBytesPerSample);
}

} // namespace orvendi
