#include "capture/AudioConversion.h"

#include <algorithm>
#include <memory>
#include <sndfile.h>
#include <vector>

#include "base/Error.h"
#include "capture/StreamingConverter.h"

namespace orvendi {
namespace {

constexpr double kTargetRate = 16000;
constexpr size_t kBytesPerSample = 2;
// Input is read at most this many frames at a time, so memory stays flat
// however long the file is.
constexpr sf_count_t kMaximumReadFrames = 16384;
// Files with very many channels read fewer frames per block, which keeps the
// read buffer at most this many samples.
constexpr sf_count_t kMaximumReadSamples = kMaximumReadFrames * 8;
// The output buffer is reserved up front from the file's frame count, so it
// is not copied while it grows; a header claiming more than this is not
// trusted with a reservation.
constexpr double kLargestReservationBytes = 256.0 * 1024 * 1024;
constexpr double kReservationSlackBytes = 16384;

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

void reserveOutput(const SF_INFO& info, Bytes& output) {
    const double expectedBytes =
        double(info.frames) * kTargetRate / info.samplerate * kBytesPerSample +
        kReservationSlackBytes;
    if (info.frames > 0 && expectedBytes <= kLargestReservationBytes) {
        output.reserve(size_t(expectedBytes));
    }
}

} // namespace

std::optional<Bytes> convertTo16kMonoInt16(const std::filesystem::path& file,
                                           int64_t maxInputFrames) {
    SF_INFO info{};
    SoundFile input(sf_open(file.c_str(), SFM_READ, &info));
    if (!input || info.channels <= 0 || info.samplerate <= 0) {
        return std::nullopt;
    }
    std::optional<StreamingConverter> converter;
    try {
        converter.emplace(info.samplerate, uint32_t(info.channels));
    } catch (const Error&) {
        return std::nullopt;
    }
    const sf_count_t readFrames =
        std::clamp<sf_count_t>(kMaximumReadSamples / info.channels, 1, kMaximumReadFrames);
    std::vector<float> block(size_t(readFrames * info.channels));
    Bytes output;
    reserveOutput(info, output);
    int64_t framesRead = 0;
    while (true) {
        // A short or failed read ends the input; what came before is kept.
        const sf_count_t frames = sf_readf_float(input.get(), block.data(), readFrames);
        if (frames <= 0) {
            break;
        }
        framesRead += frames;
        if (maxInputFrames >= 0 && framesRead > maxInputFrames) {
            return std::nullopt;
        }
        if (!converter->feed(block.data(), size_t(frames), output)) {
            return output;
        }
    }
    converter->finish(output);
    return output;
}

} // namespace orvendi
