#include "speech/AudioDecoder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include "ServiceError.h"
#include "base/Error.h"
#include "capture/AudioConversion.h"

namespace orvendi::server {

namespace {

// Removes the scratch file however decoding ends.
class ScratchFile {
public:
    explicit ScratchFile(const std::filesystem::path& dir) {
        path_ = (dir / "upload-XXXXXX").string();
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            throw Error("Cannot create a scratch file in " + dir.string());
        }
    }
    ~ScratchFile() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    void write(std::string_view data) const {
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
            if (n <= 0) {
                throw Error("Cannot write a scratch file");
            }
            done += static_cast<size_t>(n);
        }
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// What the file's header declares; absent when libsndfile cannot read it.
std::optional<SF_INFO> declaredFormat(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        return std::nullopt;
    }
    sf_close(file);
    return info;
}

std::string durationText(double seconds) {
    char text[48];
    if (seconds < 120) {
        std::snprintf(text, sizeof text, "%.0f seconds", seconds);
    } else {
        std::snprintf(text, sizeof text, "%.0f minutes", seconds / 60);
    }
    return text;
}

} // namespace

AudioDecoder::AudioDecoder(std::filesystem::path scratchDir, double maxSeconds)
    : scratchDir_(std::move(scratchDir)), maxSeconds_(maxSeconds) {}

std::optional<Bytes> AudioDecoder::decode(std::string_view fileBytes) const {
    ScratchFile scratch(scratchDir_);
    scratch.write(fileBytes);
    const auto info = declaredFormat(scratch.path());
    if (!info || info->channels <= 0) {
        return std::nullopt;
    }
    if (info->samplerate < kLowestRate || info->samplerate > kHighestRate) {
        throw ServiceError(400, "The audio's sample rate must be between 8 and 192 kHz");
    }
    if (info->channels > kMostChannels) {
        throw ServiceError(400, "The audio may have at most 8 channels");
    }
    const std::string tooLong =
        "The audio is longer than the " + durationText(maxSeconds_) + " this server takes";
    const auto maxFrames = static_cast<int64_t>(std::ceil(maxSeconds_ * info->samplerate));
    if (info->frames > maxFrames) {
        throw ServiceError(400, tooLong);
    }
    // The header passed; the limit also holds for files that hold more than it says.
    auto pcm = convertTo16kMonoInt16(scratch.path(), maxFrames);
    if (!pcm) {
        throw ServiceError(400, tooLong);
    }
    return pcm;
}

} // namespace orvendi::server
