#include "ClientFixture.h"

namespace orvendi::test {
namespace {

using nlohmann::json;

constexpr const char* kRefresh = "/api/native-auth/refresh";
constexpr const char* kGrant = "/auth/v1/token";

class TokenLifecycle : public ClientFixture {};

TEST_F(TokenLifecycle, UsesTheCachedTokenOnlyBeyondTheSixtySecondMargin) {
    struct Case {
        double expiresIn;
        bool refreshes;
    };
    for (const Case& row : {Case{61, false}, Case{60, true}, Case{59, true}, Case{-5, true}}) {
        SCOPED_TRACE(row.expiresIn);
        server.respond("POST", kRefresh, sessionAnswer("access-2", "refresh-2", now() + 3600));
        const size_t before = server.requestCount(kRefresh);
        const std::string token = signedInClient(row.expiresIn).ensureToken();
        EXPECT_EQ(server.requestCount(kRefresh) - before, row.refreshes ? 1u : 0u);
        EXPECT_EQ(token, row.refreshes ? "access-2" : "access-1");
    }
}

TEST_F(TokenLifecycle, RefreshSendsTheRefreshTokenAndInstallsTheNewSession) {
    server.respond("POST", kRefresh, sessionAnswer("access-2", "refresh-2", now() + 1800));
    APIClient& api = signedInClient(10);
    EXPECT_EQ(api.ensureToken(), "access-2");

    const auto sent = server.requests(kRefresh).at(0);
    EXPECT_EQ(sent.json(), json({{"refreshToken", "refresh-1"}}));
    EXPECT_EQ(sent.header("Content-Type"), "application/json");
    EXPECT_FALSE(sent.header("Authorization"));
    EXPECT_EQ(storedSession(), (NativeSession{"access-2", "refresh-2", now() + 1800}));

    // Fresh now: no further request until it is due again.
    clock.advance(1800 - 61);
    EXPECT_EQ(api.ensureToken(), "access-2");
    EXPECT_EQ(server.requestCount(kRefresh), 1u);
}

TEST_F(TokenLifecycle, RefreshAnswerWithoutUsableExpiryLastsOneHour) {
    for (const json& expiresAt : {json(), json("1700000000"), json(true)}) {
        SCOPED_TRACE(expiresAt.dump());
        json body = {{"accessToken", "a"}, {"refreshToken", "r"}};
        if (!expiresAt.is_null()) {
            body["expiresAt"] = expiresAt;
        }
        server.respond("POST", kRefresh, ScriptedResponse::json(200, body));
        signedInClient(0).ensureToken();
        EXPECT_EQ(storedSession(), (NativeSession{"a", "r", now() + 3600}));
    }
}

TEST_F(TokenLifecycle, RefusedRefreshClearsTheStoreAndFallsBackToThePasswordGrant) {
    configurePasswordGrant();
    server.respond("POST", kRefresh, ScriptedResponse::json(401, {{"error", "revoked"}}));
    server.respond("POST", kGrant,
                   ScriptedResponse::json(200, {{"access_token", "granted"},
                                                {"refresh_token", "granted-refresh"},
                                                {"expires_in", 900}}));
    EXPECT_EQ(signedInClient(0).ensureToken(), "granted");

    const auto grant = server.requests(kGrant).at(0);
    EXPECT_EQ(grant.query, "grant_type=password");
    EXPECT_EQ(grant.header("apikey"), "anon-key");
    EXPECT_EQ(grant.header("Content-Type"), "application/json");
    EXPECT_FALSE(grant.header("Authorization"));
    EXPECT_EQ(grant.json(), json({{"email", "user@example.test"}, {"password", "pw"}}));
    EXPECT_EQ(storedSession(), (NativeSession{"granted", "granted-refresh", now() + 900}));
}

TEST_F(TokenLifecycle, RefusedRefreshWithoutCredentialsFailsAndKeepsTheRefreshTokenInMemory) {
    server.respond("POST", kRefresh, ScriptedResponse::json(200, {{"accessToken", "only-one"}}));
    APIClient& api = signedInClient(0);
    EXPECT_EQ(errorMessage([&] { api.ensureToken(); }), "Sign-in failed");
    EXPECT_FALSE(keychain.contains(kStoreService, kStoreAccount));

    // "Rejected": the next call tries the same refresh token again.
    server.respond("POST", kRefresh, sessionAnswer("access-3", "refresh-3", now() + 3600));
    EXPECT_EQ(api.ensureToken(), "access-3");
    EXPECT_EQ(server.requests(kRefresh).at(1).json(), json({{"refreshToken", "refresh-1"}}));
    EXPECT_TRUE(keychain.contains(kStoreService, kStoreAccount));
}

TEST_F(TokenLifecycle, UnreachableRefreshWithoutCredentialsFailsAsSignInAndKeepsTheStore) {
    config.api_url = "http://127.0.0.1:1"; // nothing listens on port 1
    APIClient& api = signedInClient(0);
    EXPECT_EQ(errorMessage([&] { api.ensureToken(); }), "Sign-in failed");
    EXPECT_TRUE(storedSession());
}

TEST_F(TokenLifecycle, GrantWithoutRefreshTokenStaysInMemoryForTheDefaultHour) {
    configurePasswordGrant();
    server.respond("POST", kGrant, ScriptedResponse::json(200, {{"access_token", "granted"}}));
    APIClient& api = makeClient();
    EXPECT_EQ(api.ensureToken(), "granted");
    EXPECT_FALSE(keychain.contains(kStoreService, kStoreAccount));

    clock.advance(3600 - 61);
    EXPECT_EQ(api.ensureToken(), "granted");
    EXPECT_EQ(server.requestCount(kGrant), 1u);
    clock.advance(2);
    api.ensureToken();
    EXPECT_EQ(server.requestCount(kGrant), 2u);
}

TEST_F(TokenLifecycle, GrantFailuresAreSignInFailuresButItsTransportErrorsPassThrough) {
    configurePasswordGrant();
    for (const auto& answer : {ScriptedResponse::json(400, {{"error", "bad password"}}),
                               ScriptedResponse::json(200, {{"access_token", 42}}),
                               ScriptedResponse::text(200, "<html>")}) {
        server.respond("POST", kGrant, answer);
        EXPECT_EQ(errorMessage([&] { makeClient().ensureToken(); }), "Sign-in failed");
    }

    config.supabase_url = "http://127.0.0.1:1";
    EXPECT_THROW(makeClient().ensureToken(), TransportError);
    config.supabase_url = "localhost:3000";
    EXPECT_THAT(errorMessage<TransportError>([&] { makeClient().ensureToken(); }),
                testing::HasSubstr("Not a valid server address"));
}

TEST_F(TokenLifecycle, SignedOutWithoutCredentialsFailsWithoutAnyRequest) {
    EXPECT_EQ(errorMessage([&] { makeClient().ensureToken(); }), "Sign-in failed");
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
} // namespace orvendi::test
