// A vault sync of 10,000 notes: into an empty vault, and again with nothing
// changed (which should write no file at all).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakePlatform.h"
#include "support/harness/TestHTTPServer.h"
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
        api = std::make_shared<APIClient>(config, platform.keychain, platform.scheduler);
        sync =
            VaultSync::create(api, std::nullopt, platform.scheduler, platform.files, platform.log);
    }

    // A synchroniser with a home folder of its own. The folders are removed
    // only at the end: mass deletions just before would slow down the file
    // system's inode allocation and measure that instead.
    std::shared_ptr<VaultSync> freshHome() {
        homes.push_back(std::make_unique<test::FakeFiles>());
        return VaultSync::create(api, std::nullopt, platform.scheduler, *homes.back(),
                                 platform.log);
    }

    test::TestHTTPServer server;
    test::FakePlatform platform;
    std::shared_ptr<APIClient> api;
    std::shared_ptr<VaultSync> sync;
    std::vector<std::unique_ptr<test::FakeFiles>> homes;
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
        auto sync = setup.freshHome();
        state.ResumeTiming();
        result = sync->syncNow();
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

// The request and JSON decoding alone, the part of every sync the vault cannot speed up.
void BM_FetchNotesOnly(benchmark::State& state) {
    Setup setup;
    size_t count = 0;
    for (auto _ : state) {
        count = setup.api->fetchNotes("", true).size();
    }
    state.counters["notes"] = static_cast<double>(count);
}

BENCHMARK(BM_FetchNotesOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SyncIntoEmptyVault)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SyncWithNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
