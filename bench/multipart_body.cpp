// Building the multipart body of one transcription upload around a 3 MiB WAV.
#include <benchmark/benchmark.h>

#include "service/MultipartBody.h"

namespace {

using namespace orvendi;

void BM_MultipartBodyOf3MiB(benchmark::State& state) {
    const Bytes wav(3 * 1024 * 1024 + 44, 0x5A);
    for (auto _ : state) {
        const std::string boundary = MultipartBody::newBoundary();
        benchmark::DoNotOptimize(MultipartBody::build(boundary, wav, 98, "linux", true));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(wav.size()));
}
BENCHMARK(BM_MultipartBodyOf3MiB)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
