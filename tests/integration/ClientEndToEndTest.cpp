// The agent's backend client against the real orvendi-server, through the
// same code the agent runs. Renewal is the server's sign-in test and the
// client's token unit tests; the password grant from the configuration is
// what every orvendictl integration test signs in with.
#include <chrono>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

double realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

class ClientEndToEndTest : public ServerFixture {
protected:
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

    // The server's own clock is real; the client's starts at the same instant.
    VirtualScheduler clock_{VirtualScheduler::Background::Queued, realNow()};
    FakeKeychain keychain_;
    Config config_;
    std::unique_ptr<APIClient> client_;
};

// Dictating and listing notes through this client is the desktop dictation
// tests' (the text in the field, the note in the vault); what those cannot
// see is what the reports leave on the server.
TEST_F(ClientEndToEndTest, SignInAndReport) {
    APIClient& client = signedInClient("agent@example.com");
    const auto stored = SessionStore::load(keychain_);
    ASSERT_TRUE(stored);
    EXPECT_NEAR(stored->expiresAt, realNow() + 3600, 30);

    client.recordActivationEvent("signed_in", "install-e2e");
    client.updateNativeStatus("install-e2e", true, false, true, false);
    const auto installations =
        bodyOf(get("/api/installations", stored->accessToken))["installations"];
    ASSERT_EQ(installations.size(), 1u);
    EXPECT_EQ(installations[0]["platform"], "linux");
    EXPECT_EQ(installations[0]["milestones"][0]["event"], "signed_in");
    EXPECT_EQ(installations[0]["permissions"]["input_monitoring"], true);
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
