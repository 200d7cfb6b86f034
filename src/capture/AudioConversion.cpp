#include "capture/AudioConversion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <sndfile.h>
#include <soxr.h>
#include <type_traits>
#include <vector>

namespace orvendi {
namespace {

constexpr double kTargetRate = 16000;
constexpr size_t kBytesPerSample = 2;
// Input is read at most this many frames at a time, and output is gathered in
// pieces of this many frames, so memory stays flat however long the file is.
constexpr sf_count_t kMaximumReadFrames = 16384;
constexpr size_t kOutputPieceFrames = 8192;
// Files with very many channels read fewer frames per block, which keeps the
// read buffer at most this many samples.
constexpr sf_count_t kMaximumReadSamples = kMaximumReadFrames * 8;
// The output buffer is reserved up front from the file's frame count, so it
// is not copied while it grows; a header claiming more than this is not
// trusted with a reservation.
constexpr double kLargestReservationBytes = 256.0 * 1024 * 1024;

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

struct ResamplerDeleter {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};
using Resampler = std::unique_ptr<std::remove_pointer_t<soxr_t>, ResamplerDeleter>;

Resampler makeResampler(double inputRate) {
    // Mono float in, 16-bit out. No dither: the same recording always gives
    // the same bytes, and the speech recogniser gains nothing from it.
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_t resampler = soxr_create(inputRate, kTargetRate, 1, &error, &io, &quality, nullptr);
    if (error != nullptr) {
        soxr_delete(resampler);
        return nullptr;
    }
    return Resampler(resampler);
}

// Averages the interleaved channels of `frames` frames into the front of the
// same buffer. A non-finite sample becomes silence: one NaN would otherwise
// stay in the resampler's filter and silence everything after it.
void averageChannelsInPlace(std::vector<float>& block, sf_count_t frames, int channels) {
    const float scale = 1.0f / float(channels);
    for (sf_count_t frame = 0; frame < frames; ++frame) {
        const float* first = block.data() + frame * channels;
        float sum = 0;
        for (int channel = 0; channel < channels; ++channel) {
            sum += first[channel];
        }
        const float mean = channels == 1 ? sum : sum * scale;
        block[size_t(frame)] = std::isfinite(mean) ? mean : 0.0f;
    }
}

class Conversion {
public:
    Conversion(SNDFILE* file, const SF_INFO& info, soxr_t resampler, int64_t maxInputFrames)
        : file_(file), maxInputFrames_(maxInputFrames), channels_(info.channels),
          resampler_(resampler), readFrames_(std::clamp<sf_count_t>(
                                     kMaximumReadSamples / info.channels, 1, kMaximumReadFrames)),
          block_(size_t(readFrames_ * info.channels)), piece_(kOutputPieceFrames) {
        reserveOutput(info);
    }

    std::optional<Bytes> run() {
        int64_t framesRead = 0;
        while (true) {
            // A short or failed read ends the input; what came before is kept.
            const sf_count_t frames = sf_readf_float(file_, block_.data(), readFrames_);
            if (frames <= 0) {
                break;
            }
            framesRead += frames;
            if (maxInputFrames_ >= 0 && framesRead > maxInputFrames_) {
                return std::nullopt;
            }
            averageChannelsInPlace(block_, frames, channels_);
            if (!feed(block_.data(), size_t(frames))) {
                return std::move(output_);
            }
        }
        drain();
        return std::move(output_);
    }

private:
    void reserveOutput(const SF_INFO& info) {
        const double expectedBytes =
            double(info.frames) * kTargetRate / info.samplerate * kBytesPerSample +
            kOutputPieceFrames * kBytesPerSample;
        if (info.frames > 0 && expectedBytes <= kLargestReservationBytes) {
            output_.reserve(size_t(expectedBytes));
        }
    }

    // Pushes mono samples through the resampler; false on a conversion error.
    bool feed(const float* samples, size_t count) {
        while (count > 0) {
            size_t consumed = 0;
            size_t produced = 0;
            if (soxr_process(resampler_, samples, count, &consumed, piece_.data(), piece_.size(),
                             &produced) != nullptr) {
                return false;
            }
            append(produced);
            if (consumed == 0 && produced == 0) {
                return false; // the resampler refuses input: end rather than spin
            }
            samples += consumed;
            count -= consumed;
        }
        return true;
    }

    // Takes the samples still held in the resampler's filter after the input ended.
    void drain() {
        while (true) {
            size_t produced = 0;
            if (soxr_process(resampler_, nullptr, 0, nullptr, piece_.data(), piece_.size(),
                             &produced) != nullptr ||
                produced == 0) {
                return;
            }
            append(produced);
        }
    }

    // The resampler writes native 16-bit integers; WAV payloads are little-endian.
    static_assert(std::endian::native == std::endian::little);
    void append(size_t frames) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(piece_.data());
        output_.insert(output_.end(), bytes, bytes + frames * kBytesPerSample);
    }

    SNDFILE* file_;
    int64_t maxInputFrames_;
    int channels_;
    soxr_t resampler_;
    sf_count_t readFrames_;
    std::vector<float> block_;
    std::vector<int16_t> piece_;
    Bytes output_;
};

} // namespace

std::optional<Bytes> convertTo16kMonoInt16(const std::filesystem::path& file,
                                           int64_t maxInputFrames) {
    SF_INFO info{};
    SoundFile input(sf_open(file.c_str(), SFM_READ, &info));
    if (!input || info.channels <= 0 || info.samplerate <= 0) {
        return std::nullopt;
    }
    Resampler resampler = makeResampler(info.samplerate);
    if (!resampler) {
        return std::nullopt;
    }
    return Conversion(input.get(), info, resampler.get(), maxInputFrames).run();
}

} // namespace orvendi
