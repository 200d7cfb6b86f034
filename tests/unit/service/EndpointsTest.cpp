#include "ClientFixture.h"

namespace orvendi::test {
namespace {

using nlohmann::json;

class Endpoints : public ClientFixture {};

TEST_F(Endpoints, SignInCodeRequestIsAnUnauthorisedJSONPostThatSucceedsOnlyOnStatus200) {
    // clang-format off
    const AnswerCase cases[] = {
        {"200", ScriptedResponse::text(200, "not json"), ""},
        {"204", ScriptedResponse::text(204, ""), "Couldn\u2019t send sign-in code"},
        {"429 with error", ScriptedResponse::json(429, {{"error", "Slow down"}}), "Slow down"},
        {"500 error not text", ScriptedResponse::json(500, {{"error", 7}}), "Couldn\u2019t send sign-in code"},
        {"400 html", ScriptedResponse::text(400, "<h1>no</h1>", "text/html"), "Couldn\u2019t send sign-in code"},
    };
    // clang-format on
    APIClient& api = signedInClient();
    expectOutcomes("POST", "/api/native-auth/request", cases,
                   [&] { api.requestSignInCode("Someone+tag@Example.test "); });
    const auto sent = server.requests("/api/native-auth/request").at(0);
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.header("Content-Type"), "application/json");
    EXPECT_FALSE(sent.header("Authorization"));
    EXPECT_FALSE(sent.header("Expect"));
    EXPECT_EQ(sent.json(), json({{"email", "Someone+tag@Example.test "}}));
}

TEST_F(Endpoints, OnlyAVerifiedCodeInstallsTheSessionInMemoryAndInTheStore) {
    // clang-format off
    const AnswerCase failures[] = {
        {"400 empty", ScriptedResponse::text(400, ""), "Invalid or expired code"},
        {"400 error", ScriptedResponse::json(400, {{"error", "Code expired"}}), "Code expired"},
        {"401 error", ScriptedResponse::json(401, {{"error", "Too many wrong codes."}}), "Too many wrong codes."},
        {"200 without refresh token", ScriptedResponse::json(200, {{"accessToken", "a"}, {"error", "half a session"}}), "half a session"},
        {"200 array", ScriptedResponse::text(200, "[]"), "Invalid or expired code"},
        {"201 with a session", ScriptedResponse::json(201, {{"accessToken", "a"}, {"refreshToken", "r"}}), "Invalid or expired code"},
    };
    // clang-format on
    APIClient& api = makeClient();
    for (const auto& row : failures) {
        server.respond("POST", "/api/native-auth/verify", row.answer);
        EXPECT_EQ(errorMessage([&] { api.verifySignInCode("a@b.test", "1"); }), row.failure)
            << row.name;
        EXPECT_FALSE(storedSession()) << row.name;
    }

    server.respond("POST", "/api/native-auth/verify",
                   sessionAnswer("code-access", "code-refresh", now() + 7200));
    api.verifySignInCode("a@b.test", "123456");
    EXPECT_EQ(server.requests("/api/native-auth/verify").back().json(),
              json({{"email", "a@b.test"}, {"code", "123456"}}));
    EXPECT_EQ(storedSession(), (NativeSession{"code-access", "code-refresh", now() + 7200}));
    EXPECT_EQ(api.ensureToken(), "code-access");
    EXPECT_EQ(server.requests().size(), std::size(failures) + 1);
}

TEST_F(Endpoints, NotesComeInOrderAndTheirQueryItemsAreOptionalOrderedAndPercentEncoded) {
    struct Case {
        std::string since;
        bool full;
        bool hasQuery;
        std::string query;
    };
    const Case cases[] = {
        {"", false, false, ""},
        {"", true, true, "full=1"},
        {"2024-05-01T10:00:00.000Z", true, true, "since=2024-05-01T10:00:00.000Z&full=1"},
        {"2024-05-01T10:00:00+02:00", false, true, "since=2024-05-01T10:00:00%2B02:00"},
        {"a b&c=d#e", false, true, "since=a%20b%26c%3Dd%23e"},
        {"\xC3\xA9t\xC3\xA9", false, true, "since=%C3%A9t%C3%A9"},
    };
    const json notes = json::array({{{"id", "n2"}, {"title", "B"}}, {{"id", "n1"}}});
    server.respond("GET", "/api/notes",
                   ScriptedResponse::json(200, {{"notes", notes}, {"more", 1}}));
    APIClient& api = signedInClient();
    for (const auto& row : cases) {
        EXPECT_EQ(json(api.fetchNotes(row.since, row.full)), notes) << "in order";
        const auto sent = server.requests("/api/notes").back();
        EXPECT_EQ(sent.method, "GET");
        EXPECT_EQ(sent.hasQuery, row.hasQuery) << row.since;
        EXPECT_EQ(sent.query, row.query) << row.since;
        EXPECT_EQ(sent.header("Authorization"), "Bearer access-1");
        EXPECT_FALSE(sent.header("Content-Type"));
    }
}

TEST_F(Endpoints, NotesNeedAUsable200) {
    APIClient& api = signedInClient();
    // clang-format off
    const AnswerCase failures[] = {
        {"element not an object", ScriptedResponse::json(200, {{"notes", {{{"id", 1}}, 5}}}), "notes fetch HTTP 200"},
        {"notes not a list", ScriptedResponse::json(200, {{"notes", {{"id", 1}}}}), "notes fetch HTTP 200"},
        {"html", ScriptedResponse::text(200, "<html>", "text/html"), "notes fetch HTTP 200"},
        {"500 with error text", ScriptedResponse::json(500, {{"error", "db down"}}), "notes fetch HTTP 500"},
        {"404 with notes", ScriptedResponse::json(404, {{"notes", json::array()}}), "notes fetch HTTP 404"},
    };
    // clang-format on
    expectOutcomes("GET", "/api/notes", failures, [&] { api.fetchNotes("", false); });
    EXPECT_EQ(server.requestCount("/api/native-auth/refresh"), 0u);
}

TEST_F(Endpoints, UnauthorisedNotesDropOnlyTheAccessTokenSoTheNextCallRefreshesFirst) {
    server.respond("GET", "/api/notes", ScriptedResponse::json(401, {{"error", "expired"}}));
    server.respond("POST", "/api/native-auth/refresh",
                   sessionAnswer("access-2", "refresh-2", now() + 3600));
    APIClient& api = signedInClient();
    EXPECT_EQ(errorMessage([&] { api.fetchNotes("", false); }), "notes fetch HTTP 401");
    EXPECT_EQ(server.requestCount("/api/native-auth/refresh"), 0u);

    server.respond("GET", "/api/notes", ScriptedResponse::json(200, {{"notes", json::array()}}));
    api.fetchNotes("", false);
    const auto refresh = server.requests("/api/native-auth/refresh");
    ASSERT_EQ(refresh.size(), 1u);
    EXPECT_EQ(refresh[0].json(), json({{"refreshToken", "refresh-1"}}));
    EXPECT_EQ(server.requests("/api/notes").back().header("Authorization"), "Bearer access-2");
}

TEST_F(Endpoints, TelemetrySendsStringsAndJSONBooleansSucceedsOnlyOn200AndKeepsTheTokenOn401) {
    // clang-format off
    const AnswerCase activation[] = {
        {"200", ScriptedResponse::text(200, "whatever"), ""},
        {"201", ScriptedResponse::text(201, ""), "Activation event failed"},
        {"500 error", ScriptedResponse::json(500, {{"error", "Unknown event"}}), "Unknown event"},
        {"401", ScriptedResponse::text(401, ""), "Activation event failed"},
    };
    const AnswerCase status[] = {
        {"200", ScriptedResponse::text(200, ""), ""},
        {"201", ScriptedResponse::text(201, ""), "Native status HTTP 201"},
        {"503 error", ScriptedResponse::json(503, {{"error", "Maintenance"}}), "Maintenance"},
        {"502 html", ScriptedResponse::text(502, "<html>Bad gateway</html>", "text/html"), "Native status HTTP 502"},
        {"401", ScriptedResponse::text(401, ""), "Native status HTTP 401"},
    };
    // clang-format on
    APIClient& api = signedInClient();
    expectOutcomes("POST", "/api/activation", activation,
                   [&] { api.recordActivationEvent("shortcut_ready", "install-1"); });
    expectOutcomes("POST", "/api/native-status", status,
                   [&] { api.updateNativeStatus("install-1", false, false, true, false); });
    const auto sent = server.requests("/api/activation").at(0);
    EXPECT_EQ(sent.header("Authorization"), "Bearer access-1");
    EXPECT_EQ(sent.header("Content-Type"), "application/json");
    EXPECT_EQ(sent.json(), json({{"event", "shortcut_ready"},
                                 {"installationId", "install-1"},
                                 {"platform", "linux"},
                                 {"appVersion", ORVENDI_VERSION}}));
    EXPECT_EQ(server.requests("/api/native-status").at(0).json(),
              json({{"installationId", "install-1"},
                    {"platform", "linux"},
                    {"appVersion", ORVENDI_VERSION},
                    {"microphone", false},
                    {"accessibility", false},
                    {"inputMonitoring", true},
                    {"screenRecording", false}}));
    // Unlike the notes, telemetry answered 401 keeps the token.
    EXPECT_EQ(api.ensureToken(), "access-1");
    EXPECT_EQ(server.requestCount("/api/native-auth/refresh"), 0u);
}

TEST_F(Endpoints, SequentialCallsShareOneConnection) {
    server.respond("GET", "/api/notes", ScriptedResponse::json(200, {{"notes", json::array()}}));
    server.respond("POST", "/api/activation", ScriptedResponse::text(200, ""));
    server.respond("POST", "/api/native-auth/refresh", sessionAnswer("a2", "r2", now() + 3600));
    APIClient& api = signedInClient(0);
    for (int i = 0; i < 5; ++i) {
        api.fetchNotes("", i % 2 == 0);
        api.recordActivationEvent("e", "i");
    }
    EXPECT_EQ(server.requests().size(), 11u);
    EXPECT_EQ(server.connectionsAccepted(), 1u);
}

TEST_F(Endpoints, UnreachableOrInvalidBackendFailsWithATransportErrorNotAnAPIError) {
    for (const char* base : {"http://127.0.0.1:1", "127.0.0.1 3000"}) {
        config.api_url = base;
        APIClient& api = signedInClient();
        EXPECT_THROW(api.fetchNotes("", false), TransportError) << base;
        EXPECT_THROW(api.requestSignInCode("a@b.test"), TransportError) << base;
        EXPECT_THROW(api.recordActivationEvent("e", "i"), TransportError) << base;
    }
}

} // namespace
} // namespace orvendi::test
