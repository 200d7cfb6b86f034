#include <chrono>
#include <regex>
#include <thread>

#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

using SignInTest = ServerFixture;

double secondsNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

TEST_F(SignInTest, CodeFromTheOutboxGivesASessionAndImplausibleAddressesGet400) {
    ASSERT_EQ(postJson("/api/native-auth/request", {{"email", " Ada@Example.COM "}})->status, 200);
    const std::string code = outboxCode("ada@example.com");
    EXPECT_TRUE(std::regex_match(code, std::regex(R"(\d{6})")));
    EXPECT_NE(server().log().find("Sign-in code for ada@example.com: " + code), std::string::npos);

    const auto verified =
        postJson("/api/native-auth/verify", {{"email", "ada@example.com"}, {"code", code}});
    ASSERT_EQ(verified->status, 200) << verified->body;
    const auto session = bodyOf(verified);
    ASSERT_TRUE(session["accessToken"].is_string());
    ASSERT_TRUE(session["refreshToken"].is_string());
    ASSERT_TRUE(session["expiresAt"].is_number());
    EXPECT_GE(session["accessToken"].get<std::string>().size(), 43u); // 256 bits
    EXPECT_NEAR(session["expiresAt"].get<double>(), secondsNow() + 3600, 30);

    const auto account = get("/api/account", session["accessToken"]);
    ASSERT_EQ(account->status, 200);
    EXPECT_EQ(bodyOf(account)["email"], "ada@example.com");

    // Spent: the same code does not sign in twice.
    const auto again =
        postJson("/api/native-auth/verify", {{"email", "ada@example.com"}, {"code", code}});
    EXPECT_EQ(again->status, 401);
    EXPECT_EQ(errorOf(again), "Invalid or expired code");

    // Which strings are plausible is the address unit test's; here what
    // reaches the route: a path in the address, no string, no address.
    const nlohmann::json bodies[] = {
        {{"email", "a/b@ex.com"}},
        {{"email", 42}},
        nlohmann::json::object(),
    };
    for (const auto& body : bodies) {
        const auto result = postJson("/api/native-auth/request", body);
        EXPECT_EQ(result->status, 400) << body.dump();
        EXPECT_FALSE(errorOf(result).empty()) << body.dump();
    }
    EXPECT_FALSE(std::filesystem::exists(dataDir() / "outbox" / "a"));
    EXPECT_EQ(errorOf(postJson("/api/native-auth/request", {{"email", "not an address"}})),
              "Enter a valid e-mail address.");
}

TEST_F(SignInTest, FifthWrongCodeEndsTheCode) {
    ASSERT_EQ(postJson("/api/native-auth/request", {{"email", "bo@example.com"}})->status, 200);
    const std::string code = outboxCode("bo@example.com");
    const std::string wrong = code == "000000" ? "111111" : "000000";
    for (int attempt = 1; attempt <= 4; ++attempt) {
        const auto result =
            postJson("/api/native-auth/verify", {{"email", "bo@example.com"}, {"code", wrong}});
        EXPECT_EQ(result->status, 401);
        EXPECT_EQ(errorOf(result), "Invalid or expired code");
    }
    const auto fifth =
        postJson("/api/native-auth/verify", {{"email", "bo@example.com"}, {"code", wrong}});
    EXPECT_EQ(fifth->status, 401);
    EXPECT_EQ(errorOf(fifth), "Too many wrong codes. Request a new code.");
    // Guessing on is slowed down, the right code included.
    const auto right =
        postJson("/api/native-auth/verify", {{"email", "bo@example.com"}, {"code", code}});
    EXPECT_EQ(right->status, 429);
    EXPECT_NE(errorOf(right).find("Try again in"), std::string::npos) << right->body;

    // After the pause a new code works.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(signIn("bo@example.com")["accessToken"].is_string());
}

TEST_F(SignInTest, AnAddressAskingTooOftenGets429) {
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(postJson("/api/native-auth/request", {{"email", "cy@example.com"}})->status, 200);
    }
    const auto refused = postJson("/api/native-auth/request", {{"email", "cy@example.com"}});
    EXPECT_EQ(refused->status, 429);
    EXPECT_NE(errorOf(refused).find("Try again in"), std::string::npos) << refused->body;
    // Other addresses are not held up, and the last code sent still works.
    EXPECT_EQ(postJson("/api/native-auth/request", {{"email", "di@example.com"}})->status, 200);
    const auto verified =
        postJson("/api/native-auth/verify",
                 {{"email", "cy@example.com"}, {"code", outboxCode("cy@example.com")}});
    EXPECT_EQ(verified->status, 200);
}

TEST_F(SignInTest, RefreshRotatesReuseEndsTheWholeSessionAndLogoutEndsOnlyItsOwn) {
    const auto first = signIn("ed@example.com");
    auto refresh = [&](const nlohmann::json& session) {
        return postJson("/api/native-auth/refresh", {{"refreshToken", session["refreshToken"]}});
    };
    const auto renewed = refresh(first);
    ASSERT_EQ(renewed->status, 200) << renewed->body;
    const auto second = bodyOf(renewed);
    EXPECT_NE(second["accessToken"], first["accessToken"]);
    EXPECT_NE(second["refreshToken"], first["refreshToken"]);
    EXPECT_TRUE(second["expiresAt"].is_number());
    EXPECT_EQ(get("/api/notes", second["accessToken"])->status, 200);

    // A spent token shows up again: one of its two holders is not the owner,
    // so neither keeps the session.
    const auto reused = refresh(first);
    EXPECT_EQ(reused->status, 401);
    EXPECT_FALSE(errorOf(reused).empty());
    EXPECT_EQ(refresh(second)->status, 401);
    EXPECT_EQ(get("/api/notes", second["accessToken"])->status, 401);
    EXPECT_EQ(postJson("/api/native-auth/refresh", {{"refreshToken", "made-up"}})->status, 401);
    EXPECT_EQ(postJson("/api/native-auth/refresh", nlohmann::json::object())->status, 400);

    // Logging out ends that session only, not the same account's on another device.
    const auto session = signIn("fay@example.com");
    const auto otherDevice = signIn("fay@example.com");
    auto logout = [&](const nlohmann::json& of) {
        return client().Post("/api/native-auth/logout", bearer(of["accessToken"]), "{}",
                             "application/json");
    };
    EXPECT_EQ(logout(session)->status, 204);
    EXPECT_EQ(get("/api/notes", session["accessToken"])->status, 401);
    EXPECT_EQ(refresh(session)->status, 401);
    EXPECT_EQ(logout(session)->status, 401);
    EXPECT_EQ(get("/api/notes", otherDevice["accessToken"])->status, 200);
}

class PasswordGrantTest : public ServerFixture {
protected:
    std::vector<std::string> serverArguments() const override {
        return {"--anon-key", kAnonKey, "--user", "fay@example.com:correct horse:battery"};
    }

    httplib::Result grant(const std::string& apikey, const nlohmann::json& body,
                          const std::string& grantType = "password") const {
        httplib::Headers headers;
        if (!apikey.empty()) {
            headers.emplace("apikey", apikey);
        }
        return client().Post(("/auth/v1/token?grant_type=" + grantType).c_str(), headers,
                             body.dump(), "application/json");
    }
};

TEST_F(PasswordGrantTest, RefusesWrongKeysAndPasswords) {
    struct Case {
        const char* name;
        std::string apikey;
        const char* email;
        std::optional<const char*> password;
        std::string grantType;
        int status;
    } cases[] = {
        {"no apikey", "", "fay@example.com", "correct horse:battery", "password", 401},
        {"wrong apikey", "test-anon-kez", "fay@example.com", "correct horse:battery", "password",
         401},
        {"wrong password", kAnonKey, "fay@example.com", "correct horse", "password", 400},
        {"unknown account", kAnonKey, "gus@example.com", "x", "password", 400},
        {"code-only account", kAnonKey, "hal@example.com", "", "password", 400},
        {"other grant", kAnonKey, "fay@example.com", "correct horse:battery", "refresh_token", 400},
        {"password missing", kAnonKey, "fay@example.com", std::nullopt, "password", 400},
    };
    signIn("hal@example.com");
    for (const auto& c : cases) {
        nlohmann::json body = {{"email", c.email}};
        if (c.password) {
            body["password"] = *c.password;
        }
        const auto result = grant(c.apikey, body, c.grantType);
        EXPECT_EQ(result->status, c.status) << c.name;
        EXPECT_FALSE(errorOf(result).empty()) << c.name;
    }
}

class GeneratedAnonKeyTest : public ServerFixture {
protected:
    std::vector<std::string> serverArguments() const override {
        return {"--user", "ivy@example.com:pw"};
    }
};

// The data folder keeps the generated key, sessions and notes for the next start.
TEST_F(GeneratedAnonKeyTest, KeyAndSessionsAndNotesSurviveARestart) {
    const std::string key = readFile(dataDir() / "anon-key").substr(0, 43);
    EXPECT_EQ(std::filesystem::status(dataDir() / "anon-key").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const auto session = signIn("jo@example.com");
    const std::string id = addNote(session["accessToken"], "Kept across restarts.");
    restartServer();
    EXPECT_EQ(readFile(dataDir() / "anon-key").substr(0, 43), key);
    const auto result =
        client().Post("/auth/v1/token?grant_type=password", {{"apikey", key}},
                      R"({"email":"ivy@example.com","password":"pw"})", "application/json");
    EXPECT_EQ(result->status, 200) << result->body;
    const auto listed = notes(session["accessToken"]);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["id"], id);
    EXPECT_EQ(
        postJson("/api/native-auth/refresh", {{"refreshToken", session["refreshToken"]}})->status,
        200);
}

TEST_F(SignInTest, EveryAuthorisedRouteAnswers401WithoutAValidToken) {
    const std::string someone = tokenFor("kim@example.com");
    const std::string noteId = addNote(someone, "Someone's note.");
    struct Route {
        std::string method;
        std::string path;
    } routes[] = {
        {"POST", "/api/transcribe"},
        {"POST", "/api/transcribe/finalize"},
        {"GET", "/api/notes"},
        {"GET", "/api/notes/" + noteId},
        {"PATCH", "/api/notes/" + noteId},
        {"DELETE", "/api/notes/" + noteId},
        {"POST", "/api/activation"},
        {"POST", "/api/native-status"},
        {"GET", "/api/installations"},
        {"GET", "/api/account"},
    };
    const std::vector<std::pair<std::string, httplib::Headers>> credentials = {
        {"none", {}},
        {"unknown token", bearer("not-a-token")},
        {"wrong scheme", {{"Authorization", "Basic " + someone}}},
        {"empty bearer", {{"Authorization", "Bearer "}}},
    };
    for (const auto& route : routes) {
        for (const auto& [name, headers] : credentials) {
            auto http = client();
            httplib::Result result =
                route.method == "GET"      ? http.Get(route.path.c_str(), headers)
                : route.method == "DELETE" ? http.Delete(route.path.c_str(), headers)
                : route.method == "PATCH"
                    ? http.Patch(route.path.c_str(), headers, "{}", "application/json")
                    : http.Post(route.path.c_str(), headers, "{}", "application/json");
            ASSERT_TRUE(result) << route.path;
            EXPECT_EQ(result->status, 401) << route.method << " " << route.path << " with " << name;
            EXPECT_FALSE(errorOf(result).empty()) << route.path;
        }
    }
    EXPECT_EQ(notes(someone).size(), 1u);
}

} // namespace
} // namespace orvendi::test
