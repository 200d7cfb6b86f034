#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/harness/CapturedRun.h"
#include "support/harness/ServerProcess.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

// orvendictl as a user runs it, against a real orvendi-server in a fresh data
// folder. Every run gets this test's own home, configuration, data and
// runtime folders, and a D-Bus address where nothing listens unless the test
// started a private keyring, so nothing reaches the real user's files.
class ToolFixture : public ::testing::Test {
protected:
    static constexpr const char* kEmail = "ada@example.com";
    static constexpr const char* kPassword = "correct horse battery";
    static constexpr const char* kAnonKey = "tool-test-anon-key";
    // Numbers are what the offline recogniser hears best in synthetic speech.
    static constexpr const char* kSentence = "one two three four five six seven eight nine ten";

    void SetUp() override;
    void TearDown() override;
    // Extra command-line arguments for the server SetUp() starts.
    virtual std::vector<std::string> serverArguments() const { return {}; }

    void startServer(const std::vector<std::string>& extraArguments = {});
    void stopServer();
    // The configuration file: the server's address and, with `passwordGrant`,
    // the account's credentials so every run signs itself in.
    // `overrides`: keys that replace or add to those.
    void writeConfig(bool passwordGrant,
                     const nlohmann::json& overrides = nlohmann::json::object());

    CapturedRun tool(const std::vector<std::string>& arguments, const std::string& input = {});
    // The tool with a line on its standard input `seconds` after it started
    // (a user pressing Enter).
    CapturedRun toolWithEnterAfter(double seconds, const std::vector<std::string>& arguments);

    // A WAV file of `sentence` spoken by espeak-ng (22,050 Hz, converted by the tool).
    std::filesystem::path spokenFile(const std::string& name,
                                     const std::string& sentence = kSentence);
    // `seconds` of digital silence, 16 kHz mono 16-bit.
    std::filesystem::path silentFile(const std::string& name, double seconds = 2);
    // The code of the latest sign-in mail to `email` in the server's outbox.
    std::string outboxCode(const std::string& email) const;

    const std::filesystem::path& temp() const { return temp_.path(); }
    std::filesystem::path home() const { return temp_.path() / "home"; }
    std::filesystem::path pendingFolder() const;
    std::filesystem::path notesFolder() const { return home() / "Orvendi" / "Notes"; }
    ServerProcess& server() { return *server_; }

private:
    std::vector<std::string> environment() const;

    TempDir temp_;
    std::unique_ptr<ServerProcess> server_;
};

// The JSON objects of a JSON-lines output.
std::vector<nlohmann::ordered_json> jsonLines(const std::string& text);
// The output's lines, without their line feeds.
std::vector<std::string> linesOf(const std::string& text);

} // namespace orvendi::test
