// The agent's backend client against the real orvendi-server: every endpoint
// the agent uses, through the same code the agent runs.
#include <atomic>
#include <chrono>
#include <thread>

#include "capture/WAV.h"
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
    // The server spent the old refresh token.
    EXPECT_EQ(postJson("/api/native-auth/refresh", {{"refreshToken", first->refreshToken}})->status,
              401);
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

// A transcription service that answers each upload with the next word, so the
// chunks of a long recording can be told apart.
class CountingTranscriptionService {
public:
    CountingTranscriptionService() {
        server_.Post("/v1/audio/transcriptions", [this](const httplib::Request&,
                                                        httplib::Response& response) {
            const int n = ++uploads_;
            response.set_content(nlohmann::json{{"text", "part " + std::to_string(n)}}.dump(),
                                 "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~CountingTranscriptionService() {
        server_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int uploads() const { return uploads_; }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<int> uploads_{0};
};

class LongRecordingTest : public ClientEndToEndTest {
protected:
    std::vector<std::string> serverArguments() const override { return {"--asr", upstream_.url()}; }
    CountingTranscriptionService upstream_;
};

TEST_F(LongRecordingTest, ChunksAreFinalizedIntoOneNote) {
    APIClient& client = signedInClient("long@example.com");
    const Bytes wav = *WAV::wrap(Bytes(200 * 32000, 0)); // 200 s: three chunks
    const TranscriptionReceipt receipt = client.transcribeWithReceipt(wav, 200, false);
    EXPECT_EQ(upstream_.uploads(), 3);
    EXPECT_EQ(receipt.rawText, "part 1\n\npart 2\n\npart 3");
    EXPECT_EQ(receipt.text, "Part 1.\n\nPart 2.\n\nPart 3.");
    ASSERT_TRUE(receipt.id);
    const auto listed = client.fetchNotes("", true);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["id"], *receipt.id);
    EXPECT_EQ(listed[0]["duration_secs"], 200);
    EXPECT_EQ(listed[0]["title"], "Part 1.");
}

} // namespace
} // namespace orvendi::test
