// Conversion of a one-minute 48 kHz stereo float CAF (the spool format) to
// 16 kHz mono 16-bit. The "x_realtime" counter is seconds of audio converted
// per second of wall time on one core (goal: at least 200).
#include <benchmark/benchmark.h>

#include "capture/AudioConversion.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace {

constexpr double kSeconds = 60;

const std::filesystem::path& oneMinuteSpoolFile() {
    static orvendi::test::TempDir dir;
    static const auto file = [] {
        const auto path = dir.path() / "spool.caf";
        // A different tone in each channel.
        orvendi::test::runTool("sox -R -n -r 48000 -c 2 -e floating-point -b 32 " +
                               orvendi::test::shellQuoted(path) +
                               " synth 60 sine 220 sine 330 vol 0.3");
        return path;
    }();
    return file;
}

void ConvertOneMinuteStereoFloatCAF(benchmark::State& state) {
    const auto& file = oneMinuteSpoolFile();
    size_t outputBytes = 0;
    for (auto _ : state) {
        auto pcm = orvendi::convertTo16kMonoInt16(file);
        outputBytes = pcm ? pcm->size() : 0;
        benchmark::DoNotOptimize(pcm);
    }
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["output_bytes"] = double(outputBytes);
}
BENCHMARK(ConvertOneMinuteStereoFloatCAF)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
