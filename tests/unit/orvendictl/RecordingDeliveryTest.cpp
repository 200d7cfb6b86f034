#include <sstream>

#include <gtest/gtest.h>

#include "RecordingDelivery.h"
#include "Terminal.h"
#include "capture/RecoveryStore.h"
#include "capture/WAV.h"
#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

// A recording kept in a real recovery folder, delivered through a real client
// to a local HTTP server. Delivered and failed uploads are the tool's record
// and retry integration test's (OrvendictlRecording); here what it cannot
// reach: silence, a full silent folder and a closed standard output.
class RecordingDeliveryTest : public ::testing::Test {
protected:
    RecordingDeliveryTest() {
        SessionStore::save(keychain, {"access", "refresh", VirtualScheduler::kStartTime + 3600});
        Config config = Config::defaultRecord();
        config.api_url = server.url();
        api = std::make_unique<APIClient>(config, keychain, clock);
    }

    Recording keptRecording(const Bytes& pcm) {
        const Bytes wav = *WAV::wrap(pcm);
        const auto path = store.persistForRecovery(wav, store.newRecoveryURL("caf"));
        return Recording{wav, int64_t(pcm.size() / 32000), path};
    }

    static Bytes speechLikePCM() {
        Bytes pcm(64000);
        for (size_t i = 0; i < pcm.size(); i += 2) {
            const int16_t sample = int16_t(3000 * ((i / 2) % 40 < 20 ? 1 : -1));
            pcm[i] = uint8_t(sample & 0xff);
            pcm[i + 1] = uint8_t((sample >> 8) & 0xff);
        }
        return pcm;
    }

    ExitStatus deliver(const Recording& recording) {
        return RecordingDelivery(*api, terminal).deliver(recording);
    }

    TestHTTPServer server;
    FakeKeychain keychain;
    VirtualScheduler clock;
    FakeFiles files;
    RecoveryStore store{files};
    std::unique_ptr<APIClient> api;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Terminal terminal{out, err, in, -1, -1};
};

TEST_F(RecordingDeliveryTest, SilenceIsMovedAsideAndNothingIsSent) {
    const Recording recording = keptRecording(Bytes(64000, 0));

    EXPECT_EQ(deliver(recording), ExitStatus::NoVoice);
    const auto archived = recording.recoveryURL.parent_path() / "Silent Recordings" /
                          recording.recoveryURL.filename();
    EXPECT_EQ(err.str(), "The microphone captured silence or corrupted audio. Reopen Orvendi and "
                         "confirm the correct input device before trying again. The silent file "
                         "was preserved at " +
                             archived.string() + ".\n");
    EXPECT_TRUE(std::filesystem::exists(archived));
    EXPECT_TRUE(store.pendingRecordings().empty());
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(RecordingDeliveryTest, SilenceThatCannotBeMovedStaysWithTheOtherTail) {
    const Recording recording = keptRecording(Bytes(64000, 0));
    const auto silentFolder = recording.recoveryURL.parent_path() / "Silent Recordings";
    std::filesystem::create_directories(silentFolder);
    writeFile(silentFolder / recording.recoveryURL.filename(), "taken");

    EXPECT_EQ(deliver(recording), ExitStatus::NoVoice);
    EXPECT_NE(err.str().find("before trying again. The silent file remains preserved locally.\n"),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(std::filesystem::exists(recording.recoveryURL));
}

TEST_F(RecordingDeliveryTest, ATranscriptThatCannotBeWrittenKeepsTheRecording) {
    server.respond("POST", "/api/transcribe", ScriptedResponse::json(200, {{"text", "hello"}}));
    const Recording recording = keptRecording(speechLikePCM());
    out.setstate(std::ios::badbit); // standard output closed under us

    EXPECT_EQ(deliver(recording), ExitStatus::Failure);
    EXPECT_NE(err.str().find("Recording saved at " + recording.recoveryURL.string()),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(recording.recoveryURL));
}

} // namespace
} // namespace orvendi::test
