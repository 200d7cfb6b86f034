// Peak memory of converting a ten-minute 48 kHz stereo float CAF (about
// 230 MB) to 16 kHz mono 16-bit. Prints the peak resident size above the
// starting point and how much of it is not the output itself
// (goal: under 16 MB). Linux only: reads and resets /proc/self peak figures.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "capture/AudioConversion.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace {

constexpr int kSeconds = 600;

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in bytes.
long long statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoll(line.substr(key.size())) * 1024;
        }
    }
    return -1;
}

bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear);
}

double megabytes(long long bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace

int main() {
    orvendi::test::TempDir dir;
    const auto file = dir.path() / "ten-minutes.caf";
    orvendi::test::runTool("sox -R -n -r 48000 -c 2 -e floating-point -b 32 " +
                           orvendi::test::shellQuoted(file) + " synth " + std::to_string(kSeconds) +
                           " sine 220 sine 330 vol 0.3");
    if (!resetPeak()) {
        std::cerr << "cannot reset the peak resident size\n";
        return 1;
    }
    const long long before = statusBytes("VmRSS:");
    const auto pcm = orvendi::convertTo16kMonoInt16(file);
    const long long peak = statusBytes("VmHWM:");
    if (!pcm) {
        std::cerr << "conversion failed\n";
        return 1;
    }
    const long long output = static_cast<long long>(pcm->size());
    std::printf("input: %d s of 48 kHz stereo float CAF (%.1f MB)\n", kSeconds,
                megabytes(static_cast<long long>(std::filesystem::file_size(file))));
    std::printf("output: %.2f MB\n", megabytes(output));
    std::printf("peak resident size above start: %.2f MB\n", megabytes(peak - before));
    std::printf("peak above start beyond the output: %.2f MB (goal: under 16 MB)\n",
                megabytes(peak - before - output));
    return 0;
}
