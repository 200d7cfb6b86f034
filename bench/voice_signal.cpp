// Throughput of the voice-signal screening that runs before every upload.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "capture/WAV.h"

namespace {

// Speech-level noise of the given length at 16 kHz mono 16-bit.
orvendi::Bytes recordingOfSeconds(int seconds) {
    std::mt19937 random(42);
    std::normal_distribution<double> level(0, 3000);
    orvendi::Bytes pcm;
    pcm.reserve(size_t(seconds) * 32000);
    for (int i = 0; i < seconds * 16000; ++i) {
        const auto sample = uint16_t(int16_t(std::clamp(level(random), -32768.0, 32767.0)));
        pcm.push_back(uint8_t(sample));
        pcm.push_back(uint8_t(sample >> 8));
    }
    return *orvendi::WAV::wrap(pcm);
}

void HasPlausibleVoiceSignal(benchmark::State& state) {
    const auto wav = recordingOfSeconds(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvendi::WAV::hasPlausibleVoiceSignal(wav));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(wav.size()));
    state.counters["x_realtime"] = benchmark::Counter(double(state.range(0) * state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(HasPlausibleVoiceSignal)->Arg(5)->Arg(60)->Arg(600)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
