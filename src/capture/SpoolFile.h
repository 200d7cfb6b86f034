#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <sndfile.h>

namespace orvendi {

// The file a recording is written into while it runs: Core Audio Format,
// 32-bit float, at the microphone's own rate and channel count. Its header is
// brought up to date with every write, so the audio written so far can be
// read back even when the process ends before the recording does.
//
// Not thread-safe: after construction it belongs to the recorder's queue.
class SpoolFile {
public:
    // Creates the file. Throws PlatformError with a readable description.
    SpoolFile(const std::filesystem::path& path, double sampleRate, uint32_t channels);
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    // Appends interleaved frames. A failed write loses those frames only;
    // writes after close() are ignored.
    void write(const float* interleaved, size_t frames);
    void close();

private:
    SNDFILE* file_;
};

} // namespace orvendi
