#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "support/harness/Multipart.h"
#include "support/harness/ServerProcess.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

// A fresh orvendi-server for each test, in its own data folder, and helpers
// that speak to it the way the agent does.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // Extra command-line arguments for the server the fixture starts.
    virtual std::vector<std::string> serverArguments() const { return {"--anon-key", kAnonKey}; }
    // Whether the server loads its offline recogniser, which costs it seconds
    // at every start. Without it (and without an --asr of the test's own)
    // uploads go to a speech service that does not answer.
    virtual bool recognisesSpeech() const { return false; }

    void restartServer();
    std::filesystem::path dataDir() const { return temp_.path() / "data"; }
    const std::filesystem::path& tempDir() const { return temp_.path(); }
    ServerProcess& server() { return *server_; }
    httplib::Client client() const;

    httplib::Result postJson(const std::string& path, const nlohmann::json& body,
                             const std::string& token = {}) const;
    httplib::Result get(const std::string& path, const std::string& token) const;

    // The code of the latest sign-in mail in the outbox.
    std::string outboxCode(const std::string& email) const;
    // Signs in by e-mail code; returns the session object of the verification.
    nlohmann::json signIn(const std::string& email);
    // Signs in and returns the access token.
    std::string tokenFor(const std::string& email) { return signIn(email)["accessToken"]; }
    // Stores one dictation through finalize and returns its note id.
    std::string addNote(const std::string& token, const std::string& cleanedText);
    nlohmann::json notes(const std::string& token, const std::string& query = "?full=1") const;

    static constexpr const char* kAnonKey = "test-anon-key";

private:
    TempDir temp_;
    std::unique_ptr<ServerProcess> server_;
};

// The JSON body of an answer (null when there is none or it is not JSON).
nlohmann::json bodyOf(const httplib::Result& result);
// The "error" text of an answer, empty when it has none.
std::string errorOf(const httplib::Result& result);
httplib::Headers bearer(const std::string& token);

} // namespace orvendi::test
