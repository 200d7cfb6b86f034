// The server's rules that depend on time or on many inputs, tested in-process
// against real SQLite files: waiting ten minutes or an hour over HTTP is not
// an option.
#include <gtest/gtest.h>

#include "Clock.h"
#include "ServerOptions.h"
#include "ServiceError.h"
#include "auth/CodeDelivery.h"
#include "auth/EmailAddress.h"
#include "auth/RandomValues.h"
#include "auth/RateLimiter.h"
#include "auth/SignInAttempts.h"
#include "auth/SignInCodes.h"
#include "auth/SignupPolicy.h"
#include "auth/TokenHasher.h"
#include "auth/TokenService.h"
#include "notes/NoteTitle.h"
#include "speech/TranscriptCleaner.h"
#include "storage/CodeStore.h"
#include "storage/Database.h"
#include "storage/TokenStore.h"
#include "storage/UserStore.h"
#include "support/fakes/CapturingLog.h"
#include "support/harness/TempDir.h"
#include "unit/server/ServerTestClock.h"

namespace orvendi::server {
namespace {

class ExpiryTest : public ::testing::Test {
protected:
    test::TempDir temp_;
    ManualClock clock_;
    Database db_{temp_.path() / "test.db"};
    TokenHasher hasher_{RandomValues::bytes(TokenHasher::kKeyBytes)};
    test::CapturingLog log_;
};

TEST_F(ExpiryTest, SignInCodesExpireAfterTenMinutes) {
    std::filesystem::create_directories(temp_.path() / "outbox");
    CodeStore codes(db_);
    CodeDelivery delivery(temp_.path() / "outbox", log_, std::nullopt);
    UserStore users(db_, clock_);
    SignInAttempts attempts(clock_);
    const SignupPolicy anyone(users, std::nullopt);
    SignInCodes signIn(codes, hasher_, delivery, attempts, anyone, clock_);
    auto lastCode = [&] {
        const std::string line = log_.lines().back();
        return line.substr(line.size() - 6);
    };

    signIn.request("a@example.com", "client");
    clock_.advance(599);
    EXPECT_EQ(signIn.verify("a@example.com", lastCode(), "client"), "a@example.com");

    signIn.request("a@example.com", "client");
    clock_.advance(600);
    EXPECT_EQ(statusOf([&] { signIn.verify("a@example.com", lastCode(), "client"); }), 401);

    // The window of requests moves on with the clock.
    for (size_t i = 0; i < SignInCodes::kRequestsPerAddressAndNetwork; ++i) {
        signIn.request("b@example.com", "client");
    }
    EXPECT_EQ(statusOf([&] { signIn.request("b@example.com", "client"); }), 429);
    clock_.advance(SignInCodes::kRequestWindowSeconds);
    EXPECT_EQ(statusOf([&] { signIn.request("b@example.com", "client"); }), 200);
}

TEST_F(ExpiryTest, AccessTokensLiveOneHourAndRefreshTokensRenewThem) {
    TokenStore store(db_);
    TokenService tokens(store, hasher_, clock_);
    const int64_t user = UserStore(db_, clock_).findOrCreate("a@example.com");
    const Session session = tokens.issue(user);
    EXPECT_EQ(session.expiresAt, clock_.now() + 3600);
    clock_.advance(3599);
    EXPECT_EQ(tokens.authenticate(session.accessToken), user);
    clock_.advance(1);
    try {
        tokens.authenticate(session.accessToken);
        FAIL() << "an expired token was accepted";
    } catch (const ServiceError& error) {
        EXPECT_EQ(error.status(), 401);
        EXPECT_STREQ(error.what(), "Session expired");
    }
    // How long the renewals go on is the session family test's.
    EXPECT_EQ(tokens.authenticate(tokens.refresh(session.refreshToken).accessToken), user);
}

TEST(TranscriptCleanerTest, TurnsSpokenMarksIntoPunctuation) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"   ", ""},
        {"hello world", "Hello world."},
        {"hello comma world", "Hello, world."},
        {"is it raining question mark", "Is it raining?"},
        {"stop period start again", "Stop. Start again."},
        {"first line new line second line", "First line\nSecond line."},
        {"one new paragraph two", "One\n\nTwo."},
        {"wow exclamation mark", "Wow!"},
        {"i think i'm right", "I think I'm right."},
        {"yes comma period", "Yes."},
        {"comma hello", "Hello."},
        {"ends with comma", "Ends with."},
        {"a comma comma b", "A, b."},
        {"Already clean.", "Already clean."},
        {" hello, world ", "Hello, world."},
        {"why QUESTION MARK", "Why?"},
        {"wait\u2026", "Wait\u2026"},
        {"full stop", ""},
    };
    for (const auto& [raw, cleaned] : cases) {
        EXPECT_EQ(TranscriptCleaner::clean(raw), cleaned) << '"' << raw << '"';
        EXPECT_EQ(TranscriptCleaner::clean(TranscriptCleaner::clean(raw)), cleaned)
            << "twice: " << raw;
    }
}

TEST(EmailAddressTest, NormalisesPlausibleAddressesOnly) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"Ada@Example.COM", "ada@example.com"},
        {"  ada@example.com\n", "ada@example.com"},
        {"first.last+tag@sub.example.co.uk", "first.last+tag@sub.example.co.uk"},
        {"me@localhost", "me@localhost"},
        {"a@b", std::nullopt},
        {"@example.com", std::nullopt},
        {"ada@", std::nullopt},
        {"a b@example.com", std::nullopt},
        {"a/b@example.com", std::nullopt},
        {"../../etc/passwd@example.com", std::nullopt},
        {".ada@example.com", std::nullopt},
        {"ada@-example.com", std::nullopt},
        {"ada@exa_mple.com", std::nullopt},
        {"\xc3\xa9@example.com", std::nullopt},
    };
    for (const auto& [address, normalized] : cases) {
        EXPECT_EQ(EmailAddress::normalize(address), normalized) << address;
    }
}

TEST(NoteTitleTest, IsTheStartOfTheCleanedText) {
    EXPECT_EQ(NoteTitle::fromText("Short one."), "Short one.");
    EXPECT_EQ(NoteTitle::fromText("\n  First line.  \nSecond line."), "First line.");
    EXPECT_EQ(NoteTitle::fromText(""), "");
    const std::string longText =
        "This dictation goes on and on about many things, far longer than a title should be.";
    const std::string title = NoteTitle::fromText(longText);
    EXPECT_EQ(title, "This dictation goes on and on about many things, far longer");
    EXPECT_LE(title.size(), NoteTitle::kMaxCharacters);
    // Characters, not bytes: 70 two-byte letters keep 60 of them.
    std::string accents;
    for (int i = 0; i < 70; ++i) {
        accents += "\xc3\xa9";
    }
    EXPECT_EQ(NoteTitle::fromText(accents), accents.substr(0, 120));
}

TEST(RateLimiterTest, CountsEventsPerKeyInASlidingWindow) {
    RateLimiter limiter(2, 60);
    EXPECT_EQ(limiter.tryAcquire("a", 0), 0);
    EXPECT_EQ(limiter.tryAcquire("a", 10), 0);
    EXPECT_DOUBLE_EQ(limiter.tryAcquire("a", 20), 40); // the first event leaves the window at 60
    EXPECT_EQ(limiter.tryAcquire("b", 20), 0);
    EXPECT_EQ(limiter.tryAcquire("a", 60), 0);
    EXPECT_GT(limiter.tryAcquire("a", 61), 0);
}

TEST(ServerOptionsTest, ReadsTheCommandLine) {
    const auto options = ServerOptions::parse({"--listen", "[::1]:8080", "--data=/srv/o", "--user",
                                               "a@example.com:pa:ss", "--asr", "http://h:9000",
                                               "--smtp", "smtp://mail:25"});
    ASSERT_TRUE(options.listen);
    EXPECT_EQ(options.listen->host, "::1");
    EXPECT_EQ(options.listen->port, 8080);
    EXPECT_EQ(options.dataDir, "/srv/o");
    ASSERT_EQ(options.users.size(), 1u);
    EXPECT_EQ(options.users[0].second, "pa:ss");
    EXPECT_EQ(options.asr, "http://h:9000");
    EXPECT_EQ(options.smtpUrl, "smtp://mail:25");

    const std::vector<std::string> refused[] = {
        {"--listen", "3000"},
        {"--listen", "::1:3000"},
        {"--listen", "h:70000"},
        {"--user", "nopassword"},
        {"--data"},
        {"--verbose"},
    };
    for (const auto& arguments : refused) {
        EXPECT_THROW(ServerOptions::parse(arguments), Error) << arguments[0];
    }
    EXPECT_FALSE(ServerOptions::parse({}).listen); // default: loopback only
}

} // namespace
} // namespace orvendi::server
