#include "support/harness/AudioSession.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/ToolFixture.h"

namespace orvendi::test {
namespace {

// Recording from a private PulseAudio server whose default source is a
// virtual microphone fed in real time.
class OrvendictlRecording : public ToolFixture {
protected:
    AudioSession audio{AudioSession::Options{48000, 2, true}};
};

TEST_F(OrvendictlRecording, ARecordingTheServiceMissedIsKeptAndRetriedLater) {
    const auto spoken = spokenFile("numbers.wav");
    stopServer();
    audio.play(spoken);
    const auto failed = tool({"record", "--seconds", "5"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    const auto kept = filesIn(pendingFolder(), ".wav");
    ASSERT_EQ(kept.size(), 1u) << failed.err;
    EXPECT_TRUE(failed.err.ends_with(". Recording saved at " + kept[0].string() + "\n"))
        << failed.err;
    EXPECT_TRUE(filesIn(pendingFolder(), ".caf").empty());

    const auto listed = jsonLines(tool({"recordings", "--json"}).out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["path"], kept[0].string());
    EXPECT_EQ(listed[0]["format"], "wav");
    EXPECT_EQ(listed[0]["size"], std::filesystem::file_size(kept[0]));

    startServer();
    writeConfig(true);
    const auto retried = tool({"retry"});
    ASSERT_EQ(retried.status, 0) << retried.err;
    EXPECT_EQ(linesOf(retried.out).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(kept[0]));

    const auto none = tool({"retry"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "No saved recordings.\n");

    // A file of the user's own is never taken for a saved recording.
    const auto own = tool({"retry", spoken.string()});
    EXPECT_EQ(own.status, 1);
    EXPECT_TRUE(std::filesystem::exists(spoken));
    EXPECT_NE(own.err.find("is not a saved recording"), std::string::npos) << own.err;
}

TEST_F(OrvendictlRecording, EnterOnStandardInputEndsTheRecording) {
    audio.play(spokenFile("numbers.wav"));
    const auto run = toolWithEnterAfter(4, {"record"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(linesOf(run.out).size(), 1u);
    EXPECT_TRUE(filesIn(pendingFolder(), ".wav").empty());
    EXPECT_TRUE(filesIn(pendingFolder(), ".caf").empty());
}

} // namespace
} // namespace orvendi::test
