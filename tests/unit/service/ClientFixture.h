#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {

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

// The message of the APIError the call throws ("" when it throws none).
template <typename Call> std::string apiErrorMessage(Call&& call) {
    try {
        call();
    } catch (const APIError& error) {
        return error.what();
    }
    return "";
}

} // namespace orvendi::test
