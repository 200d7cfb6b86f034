#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakePlatform.h"
#include "support/harness/TempDir.h"
#include "support/harness/TestHTTPServer.h"
#include "vault/VaultSync.h"

namespace orvendi::test {

// A signed-in backend client of a local test server, fake platform services in
// virtual time with a real temporary home folder, and helpers to look at the vault.
class VaultSyncFixture : public ::testing::Test {
protected:
    explicit VaultSyncFixture(
        VirtualScheduler::Background mode = VirtualScheduler::Background::Queued)
        : platform(mode) {
        config.api_url = server.url();
        SessionStore::save(platform.keychain,
                           {"access-1", "refresh-1", platform.scheduler.now() + 86400});
        api = std::make_shared<APIClient>(config, platform.keychain, platform.scheduler);
    }

    std::filesystem::path home() const { return platform.files.homeDirectory(); }
    std::filesystem::path vault() const { return home() / "Orvendi" / "Notes"; }
    std::filesystem::path stateFile() const { return home() / ".orvendi" / "vault_state.json"; }

    std::shared_ptr<VaultSync>
    makeSync(const std::optional<std::string>& vaultPath = std::nullopt) {
        return VaultSync::create(api, vaultPath, platform.scheduler, platform.files, platform.log);
    }

    void serveNotes(const std::vector<nlohmann::json>& notes) {
        server.respond("GET", "/api/notes",
                       ScriptedResponse::json(200, {{"notes", nlohmann::json(notes)}}));
    }

    // Runs one queued sync to its end, as the agent does.
    void syncOnQueue(VaultSync& sync) {
        sync.syncSoon();
        platform.scheduler.runPending();
    }

    std::set<std::string> vaultNames() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(vault())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    std::optional<VaultState> savedState() const {
        if (!std::filesystem::exists(stateFile())) {
            return std::nullopt;
        }
        return VaultState::decode(readFile(stateFile()));
    }

    std::vector<std::string> logLines() const { return platform.log.lines(); }

    // Declared first so that it outlives the client's open connections.
    TestHTTPServer server;
    FakePlatform platform;
    Config config;
    std::shared_ptr<APIClient> api;
};

inline nlohmann::json note(const std::string& id, const std::string& createdAt,
                           const std::string& title) {
    return {{"id", id}, {"created_at", createdAt}, {"title", title}, {"text", "Text of " + title}};
}

} // namespace orvendi::test
