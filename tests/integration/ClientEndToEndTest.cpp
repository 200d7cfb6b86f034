// The agent's backend client against the real orvendi-server: every endpoint
// the agent uses, through the same code the agent runs.
#include <chrono>

#include "integration/ServerFixture.h"
#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/FakeKeychain.h"
#include "support/SpokenAudio.h"
#include "support/VirtualScheduler.h"

namespace orvendi::test {
namespace {

double realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

class ClientEndToEndTest : public ServerFixture {
protected:
    std::vector<std::string> serverArguments() const override {
        return {"--anon-key", kAnonKey, "--user", "grant@example.com:s3cret"};
    }

    APIClient& makeClient() {
        config_.api_url = server().baseUrl();
        client_ = std::make_unique<APIClient>(config_, keychain_, clock_);
        return *client_;
    }

    APIClient& signedInClient(const std::string& email) {
        APIClient& client = makeClient();
        client.requestSignInCode(email);
        client.verifySignInCode(email, outboxCode(email));
        return client;
    }

    // The server's own clock is real; the client's starts at the same instant
    // and moves only when the test says so.
    VirtualScheduler clock_{VirtualScheduler::Background::Queued, realNow()};
    FakeKeychain keychain_;
    Config config_;
    std::unique_ptr<APIClient> client_;
};

TEST_F(ClientEndToEndTest, SignInDictateListAndReport) {
    APIClient& client = signedInClient("agent@example.com");
    const auto stored = SessionStore::load(keychain_);
    ASSERT_TRUE(stored);
    EXPECT_NEAR(stored->expiresAt, realNow() + 3600, 30);

    const Bytes wav = spokenWav("please call me back tomorrow morning", tempDir(), 16000);
    const TranscriptionReceipt receipt = client.transcribeWithReceipt(wav, 3, false);
    EXPECT_FALSE(receipt.text.empty());
    EXPECT_FALSE(receipt.rawText.empty());
    ASSERT_TRUE(receipt.id);

    const auto listed = client.fetchNotes("", true);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["id"], *receipt.id);
    EXPECT_EQ(listed[0]["cleaned_text"], receipt.text);
    EXPECT_EQ(listed[0]["source"], "linux");
    EXPECT_TRUE(client.fetchNotes(listed[0]["created_at"], false).empty());

    client.recordActivationEvent("signed_in", "install-e2e");
    client.updateNativeStatus("install-e2e", true, false, true, false);
    const auto installations =
        bodyOf(get("/api/installations", stored->accessToken))["installations"];
    ASSERT_EQ(installations.size(), 1u);
    EXPECT_EQ(installations[0]["platform"], "linux");
    EXPECT_EQ(installations[0]["milestones"][0]["event"], "signed_in");
    EXPECT_EQ(installations[0]["permissions"]["input_monitoring"], true);
}

TEST_F(ClientEndToEndTest, RenewsTheSessionWhenItIsDue) {
    APIClient& client = signedInClient("renew@example.com");
    const auto first = SessionStore::load(keychain_);
    clock_.advance(3600 - 30); // inside the client's safety margin
    EXPECT_TRUE(client.fetchNotes("", true).empty());
    const auto second = SessionStore::load(keychain_);
    ASSERT_TRUE(second);
    EXPECT_NE(second->refreshToken, first->refreshToken);
}

TEST_F(ClientEndToEndTest, PasswordGrantFromTheConfiguration) {
    config_.supabase_url = server().baseUrl();
    config_.anon_key = kAnonKey;
    config_.email = "grant@example.com";
    config_.password = "s3cret";
    APIClient& client = makeClient();
    EXPECT_FALSE(client.ensureToken().empty());
    EXPECT_TRUE(SessionStore::load(keychain_)); // the grant returned a refresh token
    EXPECT_TRUE(client.fetchNotes("", false).empty());

    SessionStore::clear(keychain_);
    config_.password = "wrong";
    EXPECT_THROW(makeClient().ensureToken(), APIError);
}

TEST_F(ClientEndToEndTest, ServerMessagesReachTheUser) {
    APIClient& client = makeClient();
    const auto message = [](auto&& call) {
        try {
            call();
        } catch (const APIError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_EQ(message([&] { client.requestSignInCode("not an address"); }),
              "Enter a valid e-mail address.");
    client.requestSignInCode("typo@example.com");
    const std::string wrong = outboxCode("typo@example.com") == "123456" ? "654321" : "123456";
    EXPECT_EQ(message([&] { client.verifySignInCode("typo@example.com", wrong); }),
              "Invalid or expired code");
    EXPECT_FALSE(SessionStore::load(keychain_));
}

} // namespace
} // namespace orvendi::test
