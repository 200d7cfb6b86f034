#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
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
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw std::runtime_error("cannot read " + file.string());
    }
    const std::string text = readFile(file);
    return Bytes(text.begin(), text.end());
}

void writeBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!stream) {
        throw std::runtime_error("cannot write " + file.string());
    }
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
