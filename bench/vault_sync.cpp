// A vault sync of 10,000 notes: into an empty vault, and again with nothing
// changed (which should write no file at all).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include <nlohmann/json.hpp>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/FakePlatform.h"
#include "support/TestHTTPServer.h"
#include "vault/VaultSync.h"

namespace {

using namespace orvendi;
using nlohmann::json;

constexpr int kNotes = 10'000;

std::string uuid(int n) {
    char text[40];
    std::snprintf(text, sizeof text, "%08x-0000-4000-8000-%012x", n * 2654435761u, n);
    return text;
}

std::string createdAt(int n) {
    char text[40];
    std::snprintf(text, sizeof text, "2025-%02d-%02dT%02d:%02d:%02d.%03dZ", 1 + n % 12, 1 + n % 28,
                  n % 24, n % 60, n % 60, n % 1000);
    return text;
}

json makeNote(int n) {
    const std::string words = "We agreed to move the launch review to Thursday and to ask finance "
                              "for the revised numbers before then. ";
    json note{{"id", uuid(n)},
              {"created_at", createdAt(n)},
              {"title", "Launch review notes, part " + std::to_string(n)},
              {"text", words + words + words},
              {"cleaned_text", words + words},
              {"project", "Atlas"},
              {"tags", {"work", "meeting"}},
              {"source", "dictation"},
              {"archived_at", nullptr}};
    if (n > 0) {
        note["related"] = {
            {{"id", uuid(n - 1)}, {"created_at", createdAt(n - 1)}, {"title", "Earlier"}}};
    }
    return note;
}

// A signed-in client of a local server that answers with 10,000 notes, and a
// synchroniser into a fresh temporary home folder.
struct Setup {
    Setup() {
        json notes = json::array();
        for (int n = 0; n < kNotes; ++n) {
            notes.push_back(makeNote(n));
        }
        server.respond("GET", "/api/notes", test::ScriptedResponse::json(200, {{"notes", notes}}));
        Config config;
        config.api_url = server.url();
        SessionStore::save(platform.keychain,
                           {"access", "refresh", platform.scheduler.now() + 86400});
        api = std::make_unique<APIClient>(config, platform.keychain, platform.scheduler);
        sync =
            VaultSync::create(*api, std::nullopt, platform.scheduler, platform.files, platform.log);
    }

    void emptyVault() {
        std::filesystem::remove_all(sync->vaultDir());
        std::filesystem::remove(sync->stateFile());
    }

    test::TestHTTPServer server;
    test::FakePlatform platform;
    std::unique_ptr<APIClient> api;
    std::shared_ptr<VaultSync> sync;
};

void recordResult(benchmark::State& state, const VaultSync::Result& result) {
    state.counters["notes"] = result.notes;
    state.counters["files_written"] = result.filesWritten;
}

void BM_SyncIntoEmptyVault(benchmark::State& state) {
    Setup setup;
    VaultSync::Result result;
    for (auto _ : state) {
        state.PauseTiming();
        setup.emptyVault();
        state.ResumeTiming();
        result = setup.sync->syncNow();
    }
    recordResult(state, result);
}

void BM_SyncWithNothingChanged(benchmark::State& state) {
    Setup setup;
    setup.sync->syncNow();
    VaultSync::Result result;
    for (auto _ : state) {
        result = setup.sync->syncNow();
    }
    recordResult(state, result);
}

BENCHMARK(BM_SyncIntoEmptyVault)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SyncWithNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
