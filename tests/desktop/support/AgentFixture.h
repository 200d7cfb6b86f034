#pragma once

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "desktop/support/AgentProcess.h"
#include "desktop/support/DBusMenuClient.h"
#include "support/harness/ServerProcess.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

// A real orvendi-server and the real agent for one test, in the test's own
// desktop session. The server starts with the test (fresh data folder, a
// password account kAccountEmail / kAccountPassword); the agent starts when
// the test asks, and may be started again in the same home.
class AgentFixture : public ::testing::Test {
protected:
    enum class Launch {
        SignedOut, // no credentials: signed out, unless a session was kept in the keyring
                   // by an earlier agent of the test (the sign-in window opens otherwise)
        SignedIn,  // the configuration holds the password account: signed in at launch
    };

    static constexpr const char* kAccountEmail = "agent@example.com";
    static constexpr const char* kAccountPassword = "correct horse battery";
    static constexpr const char* kAnonKey = "desktop-test-anon-key";
    static constexpr const char* kSignInTitle = "Sign in to Orvendi";
    static constexpr const char* kWorkspaceTitle = "Orvendi";

    void SetUp() override;
    void TearDown() override;
    // Whether the server loads its offline recogniser (seconds at its start).
    virtual bool recognisesSpeech() const { return true; }

    ServerProcess& server() { return *server_; }
    AgentProcess& agent() { return *agent_; }
    const std::filesystem::path& tempDir() const { return temp_.path(); }
    std::filesystem::path home() const { return temp_.path() / "home"; }

    // Writes the configuration for `launch` and starts the agent (stopping a
    // running one first). Its log goes to agent.log in the test output folder.
    AgentProcess& startAgent(Launch launch = Launch::SignedOut);
    // SIGTERM; the agent's settings are on disk by then.
    void stopAgent();
    // The agent's settings file (empty until it has stored something).
    std::string settingsText() const;

    // Checks `condition` every tenth of a second (the event loop running in
    // between) until it holds or `timeoutSeconds` pass; returns the last
    // result. For checks that ask other processes (D-Bus, xdotool, files).
    static bool eventually(const std::function<bool()>& condition, double timeoutSeconds = 30);

    // The tray item's menu once the agent has registered it (fails the test
    // and returns none when it does not within a minute).
    std::optional<DBusMenuEntry> waitForTrayMenu();
    std::optional<DBusMenuEntry> trayItem(const QString& label);
    // Clicks the entry titled `label`; false when there is none or the click failed.
    bool clickTrayItem(const QString& label);

    // Waits until the server has logged a request line containing `request`
    // (e.g. "GET /settings") with the given status, at least `count` times.
    bool waitForRequest(const std::string& request, int status = 200, int count = 1,
                        double timeoutSeconds = 60);
    int requestCount(const std::string& request, int status = 200) const;

    // Signs `email` in through the server's API (e-mail code from the
    // outbox), as another device would; returns the access token, empty on failure.
    std::string signInThroughApi(const std::string& email);
    // The JSON answer of GET `path` with the bearer `token` (null on failure).
    nlohmann::json apiGet(const std::string& path, const std::string& token);

    static void activateWindow(const AgentWindow& window);
    static void typeText(const std::string& text);
    static void pressKeys(const std::string& keys);

    void screenshot(const std::string& name, const QRect& area);

    DBusMenuClient tray_;

private:
    TempDir temp_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<AgentProcess> agent_;
};

} // namespace orvendi::test
