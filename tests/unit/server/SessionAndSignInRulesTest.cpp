// The server's rules on guessing, session lifetimes and upgrades, in-process
// with real SQLite files and a clock the tests move.
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <thread>

#include "Clock.h"
#include "ServerOptions.h"
#include "ServiceError.h"
#include "auth/ClientNetwork.h"
#include "auth/FailureThrottle.h"
#include "auth/RandomValues.h"
#include "auth/SignInAttempts.h"
#include "auth/TokenHasher.h"
#include "auth/TokenService.h"
#include "speech/RecognizerPool.h"
#include "speech/SpeakerNormalisation.h"
#include "storage/Database.h"
#include "storage/NoteStore.h"
#include "storage/TokenStore.h"
#include "storage/UserStore.h"
#include "support/harness/TempDir.h"
#include "unit/server/ServerTestClock.h"

namespace orvendi::server {
namespace {

TEST(ClientNetworkTest, GroupsIpv6ByItsSlash64) {
    EXPECT_EQ(ClientNetwork::of("203.0.113.7"), "203.0.113.7");
    EXPECT_EQ(ClientNetwork::of("::ffff:203.0.113.7"), "203.0.113.7");
    EXPECT_EQ(ClientNetwork::of("2001:db8:1:2:aaaa::1"), "2001:db8:1:2::/64");
    EXPECT_EQ(ClientNetwork::of("2001:db8:1:2:bbbb:cccc:dddd:eeee"), "2001:db8:1:2::/64");
    EXPECT_NE(ClientNetwork::of("2001:db8:1:3::1"), ClientNetwork::of("2001:db8:1:2::1"));
}

TEST(FailureThrottleTest, DelaysGrowAfterTheFreeFailuresAndSuccessForgives) {
    FailureThrottle throttle({2, 10, 35, 1000});
    throttle.failed("k", 0);
    throttle.failed("k", 0);
    EXPECT_EQ(throttle.wait("k", 0), 10);
    throttle.failed("k", 10);
    EXPECT_EQ(throttle.wait("k", 10), 20);
    throttle.failed("k", 30);
    EXPECT_EQ(throttle.wait("k", 30), 35); // capped
    EXPECT_EQ(throttle.wait("other", 30), 0);
    throttle.succeeded("k");
    EXPECT_EQ(throttle.wait("k", 30), 0);
    for (int i = 0; i < 3; ++i) {
        throttle.failed("j", 100);
    }
    EXPECT_GT(throttle.wait("j", 100), 0);
    EXPECT_EQ(throttle.wait("j", 100 + 1000), 0); // forgotten after a quiet spell
}

TEST(SignInAttemptsTest, AStrangersGuessesFromElsewhereDoNotSlowTheOwnerDown) {
    ManualClock clock;
    SignInAttempts attempts(clock);
    for (int i = 0; i < 6; ++i) {
        attempts.failed("owner@example.com", "2001:db8:bad::1");
    }
    EXPECT_EQ(statusOf([&] { attempts.admit("owner@example.com", "2001:db8:bad::99"); }), 429);
    EXPECT_EQ(statusOf([&] { attempts.admit("owner@example.com", "198.51.100.4"); }), 200);

    // Many networks together reach the address's ceiling, which does hold.
    for (int network = 0; network < 50; ++network) {
        attempts.failed("owner@example.com", "203.0.113." + std::to_string(network));
    }
    EXPECT_EQ(statusOf([&] { attempts.admit("owner@example.com", "198.51.100.4"); }), 429);
    clock.advance(86400);
    EXPECT_EQ(statusOf([&] { attempts.admit("owner@example.com", "198.51.100.4"); }), 200);
}

class SessionFamilyTest : public ::testing::Test {
protected:
    test::TempDir temp_;
    ManualClock clock_;
    Database db_{temp_.path() / "test.db"};
    TokenHasher hasher_{RandomValues::bytes(TokenHasher::kKeyBytes)};
    TokenStore store_{db_};
    TokenService tokens_{store_, hasher_, clock_};
    int64_t user_ = UserStore(db_, clock_).findOrCreate("a@example.com");
};

TEST_F(SessionFamilyTest, EndsAfterSixtyIdleDaysOrAYearAfterSignInHoweverOftenItRenews) {
    Session idle = tokens_.issue(user_);
    clock_.advance(59 * 86400);
    idle = tokens_.refresh(idle.refreshToken);
    clock_.advance(TokenService::kFamilyIdleSeconds);
    EXPECT_EQ(statusOf([&] { tokens_.refresh(idle.refreshToken); }), 401);

    Session busy = tokens_.issue(user_);
    for (int month = 0; month < 12; ++month) {
        clock_.advance(30 * 86400);
        busy = tokens_.refresh(busy.refreshToken);
    }
    clock_.advance(6 * 86400); // 366 days after signing in
    EXPECT_EQ(statusOf([&] { tokens_.refresh(busy.refreshToken); }), 401);
}

// A database written before session families and the label index: its users
// stay signed in and their notes keep their related notes.
TEST(SchemaUpgradeTest, KeepsSessionsAndNotesOfTheFirstSchema) {
    test::TempDir temp;
    const auto file = temp.path() / "old.db";
    const TokenHasher hasher(RandomValues::bytes(TokenHasher::kKeyBytes));
    const Bytes refreshHash = hasher.hash("old-refresh-token");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    const char* firstSchema = R"(
CREATE TABLE users (id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE, password_hash TEXT,
    created_at REAL NOT NULL);
CREATE TABLE sign_in_codes (email TEXT PRIMARY KEY, code_hash BLOB NOT NULL,
    expires_at REAL NOT NULL, attempts_left INTEGER NOT NULL);
CREATE TABLE access_tokens (token_hash BLOB PRIMARY KEY, user_id INTEGER NOT NULL
    REFERENCES users(id) ON DELETE CASCADE, expires_at REAL NOT NULL) WITHOUT ROWID;
CREATE TABLE refresh_tokens (token_hash BLOB PRIMARY KEY, user_id INTEGER NOT NULL
    REFERENCES users(id) ON DELETE CASCADE, expires_at REAL NOT NULL) WITHOUT ROWID;
CREATE TABLE notes (id TEXT PRIMARY KEY, user_id INTEGER NOT NULL, created_ms INTEGER NOT NULL,
    updated_ms INTEGER NOT NULL, title TEXT NOT NULL, text TEXT NOT NULL,
    cleaned_text TEXT NOT NULL, project TEXT, tags TEXT NOT NULL DEFAULT '[]',
    source TEXT NOT NULL, duration_secs INTEGER NOT NULL DEFAULT 0, archived_ms INTEGER);
CREATE INDEX notes_by_user ON notes(user_id, created_ms);
CREATE TABLE activation_events (user_id INTEGER, installation_id TEXT, event TEXT,
    platform TEXT, app_version TEXT, recorded_at REAL);
CREATE TABLE native_status (user_id INTEGER, installation_id TEXT);
INSERT INTO users VALUES (1, 'a@example.com', NULL, 0);
INSERT INTO notes VALUES ('n1', 1, 1, 1, 'One', '', '', 'garden', '["seeds"]', 'api', 0, NULL);
INSERT INTO notes VALUES ('n2', 1, 2, 2, 'Two', '', '', NULL, '["seeds","x"]', 'api', 0, NULL);
INSERT INTO notes VALUES ('n3', 1, 3, 3, 'Three', '', '', NULL, '[]', 'api', 0, NULL);
PRAGMA user_version = 1;
)";
    ASSERT_EQ(sqlite3_exec(raw, firstSchema, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw, "INSERT INTO refresh_tokens VALUES (?, 1, ?)", -1, &insert, nullptr);
    sqlite3_bind_blob(insert, 1, refreshHash.data(), int(refreshHash.size()), SQLITE_STATIC);
    sqlite3_bind_double(insert, 2, 1'700'000'000 + 86400.0);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_finalize(insert);
    sqlite3_close(raw);

    Database db(file);
    ManualClock clock;
    TokenStore store(db);
    TokenService tokens(store, hasher, clock);
    const Session renewed = tokens.refresh("old-refresh-token");
    EXPECT_EQ(tokens.authenticate(renewed.accessToken), 1);
    EXPECT_EQ(statusOf([&] { tokens.refresh("old-refresh-token"); }), 401);

    NoteStore notes(db);
    const auto related = notes.related(notes.list(1));
    ASSERT_EQ(related.size(), 3u); // newest first: n3, n2, n1
    EXPECT_TRUE(related[0].empty());
    ASSERT_EQ(related[1].size(), 1u);
    EXPECT_EQ(related[1][0].id, "n1");
}

// Stands in for a decoder: counts its start, then blocks until the test lets it finish.
class GatedRecognizer : public SpeechRecognizer {
public:
    GatedRecognizer(std::shared_future<void> gate, std::atomic<int>& started)
        : gate_(std::move(gate)), started_(started) {}
    std::string recognize(const Bytes&, const std::string&) override {
        ++started_;
        gate_.wait();
        return "words";
    }
    std::string description() const override { return "gated"; }

private:
    std::shared_future<void> gate_;
    std::atomic<int>& started_;
};

TEST(RecognizerPoolTest, DecodesSideBySideAndRefusesWith503WhenFull) {
    std::promise<void> open;
    const std::shared_future<void> gate = open.get_future().share();
    std::atomic<int> started{0};
    RecognizerPool pool([&] { return std::make_unique<GatedRecognizer>(gate, started); }, 2, 0);
    std::vector<std::future<std::string>> running;
    for (int i = 0; i < 2; ++i) {
        running.push_back(std::async(std::launch::async, [&] {
            return pool.recognize({1, 2}, "1");
        }));
    }
    while (started < 2) { // both at once: no request waits behind another's decoding
        std::this_thread::yield();
    }
    EXPECT_EQ(statusOf([&] { pool.recognize({1, 2}, "1"); }), 503);
    open.set_value();
    for (auto& result : running) {
        EXPECT_EQ(result.get(), "words");
    }
}

TEST(SpeakerNormalisationTest, BlendsARequestWithItsSpeakersFadingPast) {
    using Mean = SpeakerNormalisation::Mean;
    SpeakerNormalisation normalisation(/*memoryFrames=*/100, /*maximumSpeakers=*/2);
    // Nothing heard yet, or no one named: the request's own mean.
    EXPECT_EQ(normalisation.meanFor("ann", {4, 8}, 50), (Mean{4, 8}));
    normalisation.learn("ann", {0, 0}, 300);
    EXPECT_EQ(normalisation.meanFor("", {4, 8}, 50), (Mean{4, 8}));
    EXPECT_EQ(normalisation.meanFor("bob", {4, 8}, 50), (Mean{4, 8}));
    // Ann's past counts for at most 100 frames against the request's 50.
    EXPECT_EQ(normalisation.meanFor("ann", {6, 9}, 50), (Mean{2, 3}));
    // Learning moves her past towards the new audio by the same weights.
    normalisation.learn("ann", {6, 9}, 50);
    EXPECT_EQ(normalisation.meanFor("ann", {2, 3}, 150), (Mean{2, 3}));
    // A third speaker makes room by forgetting the one heard longest ago.
    normalisation.learn("bob", {1, 1}, 10);
    normalisation.learn("cy", {1, 1}, 10);
    EXPECT_EQ(normalisation.meanFor("ann", {4, 8}, 50), (Mean{4, 8}));
    EXPECT_NE(normalisation.meanFor("bob", {4, 8}, 50), (Mean{4, 8}));
}

TEST(ServerOptionsSecretsTest, ComeFromTheEnvironmentOrFilesItNames) {
    test::TempDir temp;
    test::writeFile(temp.path() / "smtp", "smtps://u:p@mail\n");
    test::writeFile(temp.path() / "users", "# accounts\na@example.com:pa:ss\n\nb@example.com:x\n");
    const std::map<std::string, std::string> environment{
        {"ORVENDI_ANON_KEY", "from-env"}, {"ORVENDI_SMTP_URL_FILE", temp.path() / "smtp"}};
    auto lookup = [&](const std::string& name) -> std::optional<std::string> {
        const auto it = environment.find(name);
        return it == environment.end() ? std::nullopt : std::optional(it->second);
    };
    const auto options = ServerOptions::parse(
        {"--user-file", temp.path() / "users", "--allow-signups", "Example.com", "b.org"}, lookup);
    EXPECT_EQ(options.anonKey, "from-env");
    EXPECT_EQ(options.smtpUrl, "smtps://u:p@mail");
    ASSERT_EQ(options.users.size(), 2u);
    EXPECT_EQ(options.users[0].second, "pa:ss");
    EXPECT_EQ(options.signupDomains, (std::vector<std::string>{"example.com", "b.org"}));
    EXPECT_TRUE(options.notices.empty());

    EXPECT_EQ(ServerOptions::parse({"--anon-key", "k"}, lookup).anonKey, "k");
    EXPECT_EQ(ServerOptions::parse({"--no-signups"}, lookup).signupDomains,
              std::vector<std::string>{});
    EXPECT_THROW(ServerOptions::parse({"--no-signups", "--allow-signups", "a.com"}, lookup), Error);
    EXPECT_THROW(ServerOptions::parse({"--user-file", temp.path() / "missing"}, lookup), Error);
}

} // namespace
} // namespace orvendi::server
