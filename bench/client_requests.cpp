// 100 sequential small authorised requests through APIClient to a local server:
// requests per second and TCP connections opened (connection reuse keeps it at 1).
#include <benchmark/benchmark.h>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace {

using namespace orvendi;
using namespace orvendi::test;

constexpr int kRequests = 100;

void BM_SequentialAuthorisedRequests(benchmark::State& state) {
    TestHTTPServer server;
    server.respond("GET", "/api/notes",
                   ScriptedResponse::json(200, {{"notes", nlohmann::json::array()}}));
    VirtualScheduler clock;
    FakeKeychain keychain;
    SessionStore::save(keychain, {"access", "refresh", clock.now() + 3600});
    Config config;
    config.api_url = server.url();
    size_t connections = 0;
    for (auto _ : state) {
        const size_t before = server.connectionsAccepted();
        {
            APIClient client(config, keychain, clock);
            for (int i = 0; i < kRequests; ++i) {
                benchmark::DoNotOptimize(client.fetchNotes("", false));
            }
        }
        connections = server.connectionsAccepted() - before;
    }
    state.counters["requests/s"] = benchmark::Counter(
        double(kRequests) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["connections per 100"] = double(connections);
}
BENCHMARK(BM_SequentialAuthorisedRequests)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
