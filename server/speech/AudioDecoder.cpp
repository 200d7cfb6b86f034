#include "speech/AudioDecoder.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "capture/AudioConversion.h"
#include "base/Error.h"

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

} // namespace

AudioDecoder::AudioDecoder(std::filesystem::path scratchDir) : scratchDir_(std::move(scratchDir)) {}

std::optional<Bytes> AudioDecoder::decode(std::string_view fileBytes) const {
    ScratchFile scratch(scratchDir_);
    scratch.write(fileBytes);
    return convertTo16kMonoInt16(scratch.path());
}

} // namespace orvendi::server
