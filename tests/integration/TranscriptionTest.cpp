#include <optional>

#include "capture/WAV.h"
#include "support/harness/RawClient.h"
#include "support/harness/ServerFixture.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

constexpr const char* kBoundary = "orvendi-5B1F0C1E-0D53-4C7B-9C0B-6A2E8C1D3F40";

class TranscriptionTest : public ServerFixture {
protected:
    bool recognisesSpeech() const override { return true; }
    void SetUp() override {
        ServerFixture::SetUp();
        token_ = tokenFor("speaker@example.com");
    }

    httplib::Result
    upload(const std::string& body,
           const std::string& contentType = std::string("multipart/form-data; boundary=") +
                                            kBoundary) const {
        return client().Post("/api/transcribe", bearer(token_), body, contentType.c_str());
    }
    httplib::Result uploadWav(const Bytes& wav, bool ephemeral, long duration = 3) const {
        return upload(agentMultipart(kBoundary, wav, duration, "linux", ephemeral));
    }

    std::string token_;
};

TEST_F(TranscriptionTest, RecognisesSpeechAndStoresItAsANote) {
    // espeak-ng's own 22 050 Hz output: the server converts it to 16 kHz itself.
    const std::string sentences[] = {"the quick brown fox jumps over the lazy dog",
                                     "please call me back tomorrow morning about the meeting"};
    std::string reference, heard;
    for (const auto& sentence : sentences) {
        const auto result = uploadWav(spokenWav(sentence, tempDir()), false);
        ASSERT_EQ(result->status, 200) << result->body;
        const auto raw = bodyOf(result)["raw"];
        ASSERT_TRUE(raw["text"].is_string());
        ASSERT_TRUE(raw["id"].is_string());
        const std::string cleaned = raw["cleaned_text"];
        ASSERT_FALSE(cleaned.empty());
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(cleaned.front()))) << cleaned;
        EXPECT_EQ(cleaned.back(), '.') << cleaned;
        reference += sentence + " ";
        heard += raw["text"].get<std::string>() + " ";
    }
    EXPECT_LT(wordErrorRate(reference, heard), 0.6) << "heard: " << heard;

    const auto listed = notes(token_);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["source"], "linux");
    EXPECT_EQ(listed[0]["duration_secs"], 3);
    EXPECT_EQ(listed[0]["title"], listed[0]["cleaned_text"]);
}

TEST_F(TranscriptionTest, SilenceGivesEmptyTextAndNoNote) {
    const auto silence = WAV::wrap(Bytes(2 * 32000, 0));
    const auto result = uploadWav(*silence, false, 2);
    ASSERT_EQ(result->status, 200) << result->body;
    const auto raw = bodyOf(result)["raw"];
    EXPECT_EQ(raw["text"], "");
    EXPECT_EQ(raw["cleaned_text"], "");
    EXPECT_FALSE(raw.contains("id"));
    EXPECT_TRUE(notes(token_).empty());
}

TEST_F(TranscriptionTest, BadUploadsAreRefusedClearly) {
    const auto silence = *WAV::wrap(Bytes(3200, 0));
    const std::string audio(silence.begin(), silence.end());
    const std::string good = agentMultipart(kBoundary, silence, 1, "linux", false);
    struct Case {
        const char* name;
        std::string body;
        std::string contentType;
    } cases[] = {
        {"no audio part", multipartForm(kBoundary, {{"source", "linux"}}), ""},
        {"not a WAV", multipartForm(kBoundary, {{"audio", "hello", "recording.wav"}}), ""},
        {"truncated form", good.substr(0, good.size() / 2), ""},
        {"duration not a number",
         multipartForm(kBoundary, {{"audio", audio, "recording.wav"}, {"duration_secs", "soon"}}),
         ""},
        {"ephemeral not a boolean",
         multipartForm(kBoundary, {{"audio", audio, "recording.wav"}, {"ephemeral", "maybe"}}), ""},
        {"source with a line break",
         multipartForm(kBoundary, {{"audio", audio, "recording.wav"}, {"source", "a\nb"}}), ""},
        {"source not UTF-8",
         multipartForm(kBoundary, {{"audio", audio, "recording.wav"}, {"source", "\xff\xfe"}}), ""},
    };
    for (const auto& c : cases) {
        const auto result = c.contentType.empty() ? upload(c.body) : upload(c.body, c.contentType);
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, 400) << c.name << ": " << result->body;
        EXPECT_FALSE(errorOf(result).empty()) << c.name;
    }
    EXPECT_TRUE(notes(token_).empty());
}

// Sends only the head of a request and returns the first line of the answer.
std::string statusLineForHead(int port, const std::string& head) {
    RawClient client(port);
    client.send(head);
    return client.statusLine();
}

TEST_F(TranscriptionTest, OversizedBodiesAreRefusedBeforeTheyAreRead) {
    const std::string auth = "Authorization: Bearer " + token_ + "\r\n";
    const auto head = [&](const std::string& path, size_t length, const std::string& extra) {
        return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + auth + extra +
               "Content-Type: application/json\r\nContent-Length: " + std::to_string(length) +
               "\r\n\r\n";
    };
    const int port = server().port();
    EXPECT_EQ(statusLineForHead(port, head("/api/transcribe", (64u << 20) + 1, "")),
              "HTTP/1.1 413 Payload Too Large");
    EXPECT_EQ(statusLineForHead(
                  port, head("/api/transcribe", (64u << 20) + 1, "Expect: 100-continue\r\n")),
              "HTTP/1.1 413 Payload Too Large");
    EXPECT_EQ(statusLineForHead(port, head("/api/transcribe/finalize", (1u << 20) + 1, "")),
              "HTTP/1.1 413 Payload Too Large");
    EXPECT_EQ(statusLineForHead(port, head("/api/native-auth/request", 5u << 20, "")),
              "HTTP/1.1 413 Payload Too Large");
    // An upload without a valid session is turned away before its body comes.
    const std::string anonymous = "POST /api/transcribe HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                  "Content-Type: multipart/form-data; boundary=x\r\n"
                                  "Content-Length: 30000000\r\n";
    EXPECT_EQ(statusLineForHead(port, anonymous + "\r\n"), "HTTP/1.1 401 Unauthorized");
    EXPECT_EQ(statusLineForHead(port, anonymous + "Authorization: Bearer stale\r\n"
                                                  "Expect: 100-continue\r\n\r\n"),
              "HTTP/1.1 401 Unauthorized");

    // A body without a declared length is measured as it arrives.
    httplib::Client http = client();
    const std::string big(2u << 20, ' ');
    const auto chunked = http.Post(
        "/api/transcribe/finalize", bearer(token_),
        [&](size_t offset, httplib::DataSink& sink) {
            if (offset >= big.size()) {
                sink.done();
            } else {
                sink.write(big.data() + offset, std::min<size_t>(big.size() - offset, 65536));
            }
            return true;
        },
        "application/json");
    ASSERT_TRUE(chunked);
    EXPECT_EQ(chunked->status, 413);
    EXPECT_EQ(errorOf(chunked), "The request is too large");
    EXPECT_EQ(get("/api/notes", token_)->status, 200);
}

// An OpenAI-compatible transcription service on loopback in front of the server.
class RemoteTranscriptionTest : public TranscriptionTest {
protected:
    static constexpr const char* kRoute = "/v1/audio/transcriptions";
    RemoteTranscriptionTest() {
        upstream_.respond("POST", kRoute, ScriptedResponse::json(200, {{"text", kHeard}}));
    }
    std::vector<std::string> serverArguments() const override {
        return {"--asr", asrUrl_.value_or(upstream_.url()), "--asr-model", "small.en"};
    }
    static constexpr const char* kHeard = " hello comma world new line how are you question mark";
    TestHTTPServer upstream_;
    std::optional<std::string> asrUrl_;
};

TEST_F(RemoteTranscriptionTest, ForwardsAudioAndCleansTheAnswer) {
    const auto wav = *WAV::wrap(Bytes(16000, 0));
    const auto result = uploadWav(wav, false);
    ASSERT_EQ(result->status, 200) << result->body;
    const auto raw = bodyOf(result)["raw"];
    EXPECT_EQ(raw["text"], kHeard);
    EXPECT_EQ(raw["cleaned_text"], "Hello, world\nHow are you?");
    EXPECT_TRUE(raw["id"].is_string());
    const auto forwarded = upstream_.requests(kRoute);
    ASSERT_EQ(forwarded.size(), 1u);
    // The same WAV bytes, and the configured model, as multipart fields.
    EXPECT_NE(forwarded[0].body.find(std::string(wav.begin(), wav.end())), std::string::npos);
    EXPECT_NE(forwarded[0].body.find("name=\"model\"\r\n\r\nsmall.en\r\n"), std::string::npos)
        << forwarded[0].body.substr(0, 400);
    EXPECT_EQ(bodyOf(get("/api/account", token_))["speech_engine"],
              "remote service at " + upstream_.url() + kRoute);

    upstream_.respond("POST", kRoute,
                      ScriptedResponse::json(500, {{"error", {{"message", "model not loaded"}}}}));
    const auto failed = uploadWav(wav, false);
    EXPECT_EQ(failed->status, 502);
    EXPECT_EQ(errorOf(failed), "The speech service could not transcribe the recording. Try again "
                               "later.");
    EXPECT_NE(server().log().find("failed with HTTP 500: {\"error\""), std::string::npos);
    EXPECT_EQ(notes(token_).size(), 1u);

    // A service that cannot be reached: its address and the transport's words
    // reach the log only.
    asrUrl_ = "http://127.0.0.1:1";
    restartServer();
    const auto unreachable = uploadWav(wav, false);
    EXPECT_EQ(unreachable->status, 502);
    EXPECT_EQ(errorOf(unreachable), "The speech service did not answer. Try again later.");
    EXPECT_NE(server().log().find("Speech service at http://127.0.0.1:1/v1/audio/transcriptions "
                                  "did not answer: "),
              std::string::npos);
}

} // namespace
} // namespace orvendi::test
