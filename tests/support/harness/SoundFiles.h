#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Bytes.h"

namespace orvendi::test {

// Runs a command line through the shell (sox, espeak-ng, ...) with its output
// silenced; throws with the command line when it fails.
void runTool(const std::string& commandLine);
// `path` quoted for the shell.
std::string shellQuoted(const std::filesystem::path& path);

Bytes readBytes(const std::filesystem::path& file);
// The samples of 16-bit little-endian PCM.
std::vector<int16_t> samplesOf(const Bytes& pcm);
void writeBytes(const std::filesystem::path& file, const Bytes& bytes);

// The sample rate, channel count and frame count libsndfile sees in `file`.
struct SoundInfo {
    int sampleRate = 0;
    int channels = 0;
    long long frames = 0;
};
SoundInfo soundInfo(const std::filesystem::path& file);

} // namespace orvendi::test
