#include "SoundFilePayload.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <sndfile.h>

#include "capture/AudioConversion.h"
#include "capture/WAV.h"

namespace orvendi {
namespace {

constexpr int kServiceSampleRate = 16000;
constexpr double kPCMBytesPerSecond = 32000;

int64_t roundedSeconds(size_t pcmBytes) {
    return std::llround(static_cast<double>(pcmBytes) / kPCMBytesPerSecond);
}

// The format libsndfile sees, or the reason it cannot read the file.
SF_INFO soundInfo(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error || !std::filesystem::exists(status)) {
        throw SoundFileError(std::strerror(ENOENT));
    }
    if (std::filesystem::is_directory(status)) {
        throw SoundFileError(std::strerror(EISDIR));
    }
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr) {
        throw SoundFileError(std::string("not a sound file that can be read (") +
                             sf_strerror(nullptr) + ")");
    }
    sf_close(sound);
    return info;
}

bool isServiceFormat(const SF_INFO& info) {
    const int container = info.format & SF_FORMAT_TYPEMASK;
    return (container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX) &&
           (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 &&
           info.samplerate == kServiceSampleRate && info.channels == 1;
}

Bytes readAll(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary | std::ios::ate);
    if (!stream) {
        throw SoundFileError(std::strerror(errno != 0 ? errno : EIO));
    }
    Bytes bytes(static_cast<size_t>(stream.tellg()));
    stream.seekg(0);
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) {
        throw SoundFileError(std::strerror(errno != 0 ? errno : EIO));
    }
    return bytes;
}

// The file's own bytes when they already are what the service takes and our
// WAV reader finds their samples (a streaming header with an open-ended size,
// say, is converted instead).
std::optional<SoundFilePayload> asIs(const std::filesystem::path& file) {
    Bytes bytes = readAll(file);
    const auto pcm = WAV::pcmData(bytes);
    if (!pcm) {
        return std::nullopt;
    }
    const int64_t seconds = roundedSeconds(pcm->size());
    return SoundFilePayload{std::move(bytes), seconds};
}

SoundFilePayload converted(const std::filesystem::path& file) {
    const auto pcm = convertTo16kMonoInt16(file);
    if (!pcm) {
        throw SoundFileError("cannot be converted to 16 kHz mono");
    }
    auto wav = WAV::wrap(*pcm);
    if (!wav) {
        throw SoundFileError("too long to send in one WAV file");
    }
    return SoundFilePayload{std::move(*wav), roundedSeconds(pcm->size())};
}

} // namespace

SoundFilePayload SoundFilePayload::load(const std::filesystem::path& file) {
    if (isServiceFormat(soundInfo(file))) {
        if (auto payload = asIs(file)) {
            return std::move(*payload);
        }
    }
    return converted(file);
}

} // namespace orvendi
