#pragma once

#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {

// The message of the `E` the call throws ("" when it throws none).
template <typename E = APIError, typename Call> std::string errorMessage(Call&& call) {
    try {
        call();
    } catch (const E& error) {
        return error.what();
    }
    return "";
}

// A client of a local test server, with its secret store in memory and its
// clock in virtual time.
class ClientFixture : public ::testing::Test {
protected:
    static constexpr const char* kStoreService = "com.orvendi.mac.session";
    static constexpr const char* kStoreAccount = "supabase";

    ClientFixture() { config.api_url = server.url(); }

    double now() const { return clock.now(); }

    // Adds password-grant credentials, the grant going to the same test server.
    void configurePasswordGrant() {
        config.supabase_url = server.url();
        config.anon_key = "anon-key";
        config.email = "user@example.test";
        config.password = "pw";
    }

    APIClient& makeClient() {
        client = std::make_unique<APIClient>(config, keychain, clock);
        return *client;
    }

    // A client whose stored session's access token expires `expiresIn` seconds from now.
    APIClient& signedInClient(double expiresIn = 3600) {
        SessionStore::save(keychain, {"access-1", "refresh-1", now() + expiresIn});
        return makeClient();
    }

    std::optional<NativeSession> storedSession() { return SessionStore::load(keychain); }

    // A status and body the server answers with, and the message the call
    // fails with ("" for success).
    struct AnswerCase {
        const char* name;
        ScriptedResponse answer;
        std::string failure;
    };

    // Answers `method path` with each case's answer in turn and checks what `call` does.
    template <typename Cases, typename Call>
    void expectOutcomes(const char* method, const char* path, const Cases& cases, Call&& call) {
        for (const AnswerCase& row : cases) {
            server.respond(method, path, row.answer);
            EXPECT_EQ(errorMessage(call), row.failure) << row.name;
        }
    }

    static ScriptedResponse sessionAnswer(const std::string& access, const std::string& refresh,
                                          double expiresAt) {
        return ScriptedResponse::json(
            200, {{"accessToken", access}, {"refreshToken", refresh}, {"expiresAt", expiresAt}});
    }

    // Declared first so that it outlives the client's open connections.
    TestHTTPServer server;
    VirtualScheduler clock;
    FakeKeychain keychain;
    Config config;
    std::unique_ptr<APIClient> client;
};

} // namespace orvendi::test
