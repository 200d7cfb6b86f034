#include <gtest/gtest.h>

#include "desktop/dictation/DictationFixture.h"
#include "support/harness/SpokenAudio.h"

namespace orvendi::test {
namespace {

// Long enough that the recording is sent in parts while it runs.
constexpr double kPassageSeconds = 60;

using LongDictationTest = DictationFixture;

// A minute of sentences with pauses, held on the key: the parts go up while
// the user speaks, and after the release the whole text lands in the field
// once and is stored as one note.
TEST_F(LongDictationTest, MinuteOfSpeechLandsOnceAsOneNote) {
    const auto clip = tempDir() / "passage.wav";
    const std::string passage = writeSpokenPassage(kPassageSeconds, tempDir(), clip);
    startSignedInAgent();
    auto field = openField("Long dictation");

    startHolding();
    play(clip);
    const int partsBeforeRelease = transcriptions();
    releaseKey();

    const std::string text = waitForText(field);
    EXPECT_LT(wordErrorRate(passage, text), kLooseWordErrorRate) << "the field reads " << text;
    EXPECT_GE(partsBeforeRelease, 1) << "nothing was sent while the user spoke";
    EXPECT_TRUE(waitForRequest("POST /api/transcribe/finalize"));
    const auto notes = apiGet("/api/notes", signInThroughApi(kAccountEmail))["notes"];
    EXPECT_EQ(notes.size(), 1u) << notes.dump();
    EXPECT_EQ(requestCount("POST /api/transcribe/finalize"), 1);
    EXPECT_TRUE(pendingRecordings().empty()) << "a delivered recording is kept";
    EXPECT_EQ(fieldText(field), text) << "pasted again";
    screenshotScreen("dictation-long");
}

} // namespace
} // namespace orvendi::test
