// What a hostile or careless client can do to a running server, over real
// sockets: audio that would decode to far more than it weighs, guessing and
// locking out from another network, and a data folder open to others.
#include <sys/stat.h>

#include "support/harness/RawClient.h"
#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

constexpr const char* kBoundary = "orvendi-limits-boundary";

// A 16-bit PCM WAV of silence with whatever rate and channels it claims.
std::string wavDeclaring(uint32_t rate, uint16_t channels, uint32_t frames) {
    const uint32_t dataBytes = frames * channels * 2;
    std::string wav = "RIFF";
    auto put = [&wav](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav += static_cast<char>((value >> (8 * i)) & 0xff);
        }
    };
    put(36 + dataBytes, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * 2, 4);
    put(channels * 2u, 2);
    put(16, 2);
    wav += "data";
    put(dataBytes, 4);
    return wav + std::string(dataBytes, '\0');
}

class AudioLimitsTest : public ServerFixture {
protected:
    bool recognisesSpeech() const override { return true; }
    std::vector<std::string> serverArguments() const override {
        return {"--max-audio-seconds", "5"};
    }
};

TEST_F(AudioLimitsTest, AudioOutsideTheLimitsIsRefusedBeforeItIsDecoded) {
    const std::string token = tokenFor("a@example.com");
    const long peakBefore = server().peakMemoryKiB();
    const struct {
        const char* name;
        std::string wav;
        const char* error;
    } cases[] = {
        // 400 KB that would resample to 6.4 GB.
        {"1 Hz", wavDeclaring(1, 1, 200'000), "sample rate must be between 8 and 192 kHz"},
        {"9 channels", wavDeclaring(16'000, 9, 1'600), "at most 8 channels"},
        {"6 s", wavDeclaring(8'000, 1, 48'000), "longer than the 5 seconds"},
    };
    for (const auto& c : cases) {
        const auto result =
            client().Post("/api/transcribe", bearer(token),
                          multipartForm(kBoundary, {{"audio", c.wav, "recording.wav"}}),
                          (std::string("multipart/form-data; boundary=") + kBoundary).c_str());
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, 400) << c.name;
        EXPECT_NE(errorOf(result).find(c.error), std::string::npos) << c.name << result->body;
    }
    EXPECT_LT(server().peakMemoryKiB() - peakBefore, 40'000);
}

// Posts JSON from the given loopback address (127.0.0.2 is another client
// network to the server) and returns the status.
int postFrom(const char* sourceAddress, int port, const std::string& path,
             const nlohmann::json& body) {
    RawClient client(port, sourceAddress);
    const std::string json = body.dump();
    client.send("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                "Content-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) +
                "\r\n\r\n" + json);
    const std::string status = client.statusLine();
    return status.size() >= 12 ? std::atoi(status.c_str() + 9) : -1;
}

using SignInAbuseTest = ServerFixture;

TEST_F(SignInAbuseTest, AStrangerOnAnotherNetworkCannotLockTheOwnerOut) {
    const std::string owner = "owner@example.com";
    ASSERT_EQ(postJson("/api/native-auth/request", {{"email", owner}})->status, 200);
    const std::string code = outboxCode(owner);

    auto stranger = [&](const std::string& path, const nlohmann::json& body) {
        return postFrom("127.0.0.2", server().port(), path, body);
    };
    std::vector<int> requests, guesses;
    for (int i = 0; i < 6; ++i) {
        requests.push_back(stranger("/api/native-auth/request", {{"email", owner}}));
        guesses.push_back(stranger("/api/native-auth/verify", {{"email", owner}, {"code", "1"}}));
    }
    EXPECT_EQ(requests, (std::vector<int>{200, 200, 200, 200, 200, 429}));
    EXPECT_EQ(guesses, (std::vector<int>{401, 401, 401, 401, 401, 429}));

    // The owner's code, asked for from the owner's network, still works.
    const auto verified = postJson("/api/native-auth/verify", {{"email", owner}, {"code", code}});
    EXPECT_EQ(verified->status, 200) << verified->body;
    EXPECT_EQ(postJson("/api/native-auth/request", {{"email", owner}})->status, 200);
}

class OpenDataFolderTest : public ServerFixture {
protected:
    void SetUp() override {
        // Made by hand with the usual modes, holding a database from before.
        std::filesystem::create_directories(dataDir());
        ::chmod(dataDir().c_str(), 0755);
        writeFile(dataDir() / "orvendi.db", "");
        ::chmod((dataDir() / "orvendi.db").c_str(), 0644);
        ServerFixture::SetUp();
    }
};

TEST_F(OpenDataFolderTest, IsClosedToOthersWithALogLine) {
    signIn("a@example.com"); // writes to the database
    auto mode = [](const std::filesystem::path& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 0777;
    };
    EXPECT_EQ(mode(dataDir()), 0700u);
    for (const char* file : {"orvendi.db", "orvendi.db-wal", "secret.key"}) {
        EXPECT_EQ(mode(dataDir() / file), 0600u) << file;
    }
    EXPECT_NE(server().log().find("readable by its owner only"), std::string::npos);
}

} // namespace
} // namespace orvendi::test
