#include "capture/SpoolFile.h"

#include <cmath>
#include <string>
#include <system_error>

#include "base/Error.h"

namespace orvendi {

SpoolFile::SpoolFile(const std::filesystem::path& path, double sampleRate, uint32_t channels) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.channels = static_cast<int>(channels);
    info.format = SF_FORMAT_CAF | SF_FORMAT_FLOAT;
    std::error_code ignored;
    const bool existed = std::filesystem::exists(path, ignored);
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file_ == nullptr) {
        // libsndfile may have created the file before refusing the format.
        const std::string reason = sf_strerror(nullptr);
        if (!existed) {
            std::filesystem::remove(path, ignored);
        }
        throw PlatformError("The recording file " + path.string() + " could not be created (" +
                            reason + ").");
    }
    // Without this the header claims no audio until the file is closed, and a
    // recording cut short by a crash could not be recovered.
    sf_command(file_, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
}

SpoolFile::~SpoolFile() {
    close();
}

void SpoolFile::write(const float* interleaved, size_t frames) {
    if (file_ != nullptr) {
        sf_writef_float(file_, interleaved, static_cast<sf_count_t>(frames));
    }
}

void SpoolFile::close() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
}

} // namespace orvendi
