#include <chrono>
#include <csignal>

#include <gtest/gtest.h>

#include "platform/linux/secret/SecretServiceKeychain.h"
#include "service/SessionStore.h"
#include "support/fakes/CapturingLog.h"
#include "support/harness/SecretServiceSession.h"

namespace orvendi::test {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Each test starts its own bus: GIO keeps one session-bus connection per process,
// and CTest runs every test case in a process of its own.
TEST(SecretServiceKeychain, StoresFindsReplacesAndDeletesOneItemPerServiceAndAccount) {
    SecretServiceSession session(SecretServiceSession::Keyring::Unlocked);
    CapturingLog log;
    SecretServiceKeychain keychain(log);

    EXPECT_EQ(keychain.copy("svc", "acct").status, KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain.update("svc", "acct", "x"), KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain.remove("svc", "acct"), KeychainStatus::ItemNotFound);

    const std::string binary("a\0b\xff\n", 5);
    EXPECT_EQ(keychain.add("svc", "acct", binary), KeychainStatus::Success);
    EXPECT_EQ(keychain.add("svc", "other", "second"), KeychainStatus::Success);
    EXPECT_EQ(keychain.copy("svc", "acct").data, binary);

    EXPECT_EQ(keychain.update("svc", "acct", "replaced"), KeychainStatus::Success);
    EXPECT_EQ(keychain.copy("svc", "acct").data, "replaced");
    EXPECT_EQ(keychain.copy("svc", "other").data, "second");

    EXPECT_EQ(keychain.remove("svc", "acct"), KeychainStatus::Success);
    EXPECT_EQ(keychain.copy("svc", "acct").status, KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain.copy("svc", "other").data, "second");
    EXPECT_TRUE(log.lines().empty());
}

TEST(SecretServiceKeychain, SessionSurvivesTheKeychainObject) {
    SecretServiceSession session(SecretServiceSession::Keyring::Unlocked);
    CapturingLog log;
    const NativeSession stored{"access", "refresh", 1700003600.5};
    {
        SecretServiceKeychain keychain(log);
        SessionStore::save(keychain, {"old", "old", 1});
        SessionStore::save(keychain, stored);
    }
    SecretServiceKeychain keychain(log);
    EXPECT_EQ(SessionStore::load(keychain), stored);
    SessionStore::clear(keychain);
    EXPECT_FALSE(SessionStore::load(keychain));
}

TEST(SecretServiceKeychain, WithoutASecretServiceEveryCallFailsAtOnceAndIsLoggedOnce) {
    SecretServiceSession session(SecretServiceSession::Keyring::None);
    CapturingLog log;
    SecretServiceKeychain keychain(log, 5);
    const auto start = Clock::now();
    EXPECT_EQ(keychain.copy("svc", "acct").status, KeychainStatus::Failure);
    EXPECT_EQ(keychain.add("svc", "acct", "x"), KeychainStatus::Failure);
    EXPECT_EQ(keychain.update("svc", "acct", "x"), KeychainStatus::Failure);
    EXPECT_EQ(keychain.remove("svc", "acct"), KeychainStatus::Failure);
    EXPECT_LT(secondsSince(start), 2.0);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("System keyring unavailable: ", 0), 0u) << log.lines()[0];
    SessionStore::save(keychain, {"a", "r", 1});
    EXPECT_FALSE(SessionStore::load(keychain));
}

// The limit is two seconds so that a busy machine's scheduling delays (up to
// about two seconds) cannot pass for a second wait: each bound below lies
// between one limit and two.
constexpr int kTimeLimitSeconds = 2;

TEST(SecretServiceKeychain, AServiceThatDoesNotAnswerCostsAtMostTheTimeLimit) {
    SecretServiceSession session(SecretServiceSession::Keyring::Unlocked);
    CapturingLog log;
    SecretServiceKeychain keychain(log, kTimeLimitSeconds);
    ASSERT_EQ(keychain.add("svc", "acct", "x"), KeychainStatus::Success);

    // A stopped keyring keeps its bus name but never answers, like one that
    // waits on an unlock prompt nobody sees.
    kill(session.keyringPid(), SIGSTOP);
    auto start = Clock::now();
    EXPECT_EQ(keychain.copy("svc", "acct").status, KeychainStatus::Failure);
    EXPECT_GE(secondsSince(start), 1.9);
    EXPECT_LT(secondsSince(start), 3.9);
    start = Clock::now();
    EXPECT_EQ(keychain.update("svc", "acct", "y"), KeychainStatus::Failure);
    EXPECT_LT(secondsSince(start), 3.9) << "update shares one time limit across its two steps";
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("no answer within 2 s"), std::string::npos);

    kill(session.keyringPid(), SIGCONT);
    EXPECT_EQ(keychain.copy("svc", "acct").data, "x");
}

TEST(SecretServiceKeychain, AKeyringThatWouldPromptFailsWithinTheTimeLimit) {
    SecretServiceSession session(SecretServiceSession::Keyring::Locked);
    CapturingLog log;
    SecretServiceKeychain keychain(log, kTimeLimitSeconds);
    const auto start = Clock::now();
    EXPECT_EQ(keychain.add("svc", "acct", "x"), KeychainStatus::Failure);
    EXPECT_NE(keychain.copy("svc", "acct").status, KeychainStatus::Success);
    EXPECT_LT(secondsSince(start), 5.9);
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace
} // namespace orvendi::test
