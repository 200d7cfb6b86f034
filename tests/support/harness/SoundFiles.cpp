#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

#include <cstdlib>
#include <sndfile.h>
#include <stdexcept>

namespace orvendi::test {

void runTool(const std::string& commandLine) {
    const std::string silenced = commandLine + " >/dev/null 2>&1";
    if (std::system(silenced.c_str()) != 0) {
        throw std::runtime_error("command failed: " + commandLine);
    }
}

std::string shellQuoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (char c : path.string()) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Bytes readBytes(const std::filesystem::path& file) {
    const std::string text = readFile(file);
    return Bytes(text.begin(), text.end());
}

std::vector<int16_t> samplesOf(const Bytes& pcm) {
    std::vector<int16_t> samples(pcm.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = int16_t(uint16_t(pcm[2 * i] | pcm[2 * i + 1] << 8));
    }
    return samples;
}

void writeBytes(const std::filesystem::path& file, const Bytes& bytes) {
    writeFile(file, std::string(bytes.begin(), bytes.end()));
}

SoundInfo soundInfo(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* handle = sf_open(file.c_str(), SFM_READ, &info);
    if (handle == nullptr) {
        throw std::runtime_error("libsndfile cannot open " + file.string());
    }
    sf_close(handle);
    return {info.samplerate, info.channels, static_cast<long long>(info.frames)};
}

} // namespace orvendi::test
