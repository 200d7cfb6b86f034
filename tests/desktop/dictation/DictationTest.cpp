#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "desktop/dictation/DictationFixture.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

// Sentences without a word in common, so a text in the wrong field cannot pass.
constexpr const char* kMeeting = "please call me back tomorrow morning about the meeting";
constexpr const char* kFox = "the quick brown fox jumps over the lazy dog";
constexpr const char* kNumbers = "one two three four five six seven eight nine ten";

// A word the user selected before dictating, and the words around it.
constexpr const char* kBeforeSelection = "Dear team, ";
constexpr const char* kSelectedWord = "PLACEHOLDER";
constexpr const char* kAfterSelection = " kind regards";

constexpr const char* kRetryItem = "Retry saved recording";
// Long enough to be a hold, not a tap.
constexpr double kSilentHoldSeconds = 1.5;
// Longer than the double-tap window, so two taps this far apart stay single taps.
constexpr double kBetweenSingleTaps = 1.0;
// The agent stands still this long; the key goes down in the middle.
constexpr double kStallSeconds = 1.0;

bool hasExtension(const std::vector<std::filesystem::path>& files, const std::string& extension) {
    return std::any_of(files.begin(), files.end(),
                       [&](const auto& file) { return file.extension() == extension; });
}

class DictationTest : public DictationFixture {
protected:
    void expectHeard(const std::string& sentence, const std::string& text) {
        EXPECT_FALSE(text.empty()) << "nothing was pasted for \"" << sentence << "\"";
        EXPECT_LT(wordErrorRate(sentence, text), kLooseWordErrorRate)
            << "said \"" << sentence << "\", the field reads \"" << text << "\"";
    }
    bool vaultHoldsNoteWith(const std::string& text) {
        const auto notes = vaultNotes();
        return std::any_of(notes.begin(), notes.end(), [&](const auto& note) {
            return readFile(note).find(text) != std::string::npos;
        });
    }
};

// One agent through every road a dictation takes. Hold to talk, a single tap,
// hands-free by double tap, two dictations in quick succession and a hold
// that begins while the agent is stalled: every text lands in the field that
// had the focus when its recording began, and only the dictations are sent.
// Then silence, the backend gone during a dictation, and the agent killed
// while it records: nothing is lost, and "Retry saved recording" delivers it
// later into the field focused then, also when chosen while the key is held
// for a new dictation: both texts arrive, each once.
TEST_F(DictationTest, TextLandsWhereItsRecordingBeganAndWhatWasNotDeliveredIsRetried) {
    startSignedInAgent();

    // The dictation replaces the selected word, written into the GTK entry
    // over AT-SPI.
    const std::string before = kBeforeSelection;
    const std::string after = kAfterSelection;
    auto held = openField("Hold to talk", before + kSelectedWord + after);
    ASSERT_TRUE(held.element);
    ASSERT_TRUE(services().accessibility.setSelectedRange(
        *held.element, {int64_t(before.size()), int64_t(std::string(kSelectedWord).size())}));
    holdAndSay(kMeeting);
    const std::string replaced = waitForText(held);
    ASSERT_TRUE(replaced.starts_with(before) && replaced.ends_with(after)) << replaced;
    const std::string heard =
        replaced.substr(before.size(), replaced.size() - before.size() - after.size());
    expectHeard(kMeeting, heard);
    EXPECT_NE(agent().log().find("delivered by text insertion"), std::string::npos);
    screenshotScreen("dictation-hold-to-talk");

    setClipboardText("something copied before");
    ASSERT_TRUE(clickTrayItem("Copy last dictation"));
    EXPECT_TRUE(eventually([&] { return clipboardText() == heard; }, 30))
        << "the clipboard holds \"" << clipboardText() << "\"";
    EXPECT_TRUE(pendingRecordings().empty()) << "a delivered recording is kept";
    EXPECT_TRUE(eventually([&] { return vaultHoldsNoteWith(heard); }, kDeliverySeconds))
        << "no note in the vault with \"" << heard << "\"";
    EXPECT_EQ(transcriptions(), 1);

    // A short single tap records nothing that is sent or kept.
    pressKey();
    releaseKey();
    processEventsFor(kBetweenSingleTaps);

    // Two quick taps: hands-free until the next press.
    auto handsFree = openField("Hands-free");
    pressKey();
    releaseKey();
    pressKey();
    releaseKey();
    say(kFox);
    pressKey();
    releaseKey();
    expectHeard(kFox, waitForText(handsFree));
    EXPECT_EQ(fieldText(held), replaced) << "the earlier field changed";
    EXPECT_EQ(transcriptions(), 2) << "the single tap was sent";
    // The recovery copy goes only once the text is in.
    EXPECT_TRUE(eventually([&] { return pendingRecordings().empty(); }, 30));
    screenshotScreen("dictation-hands-free");

    // Two dictations in quick succession, the second begun before the first's
    // text is back: each text goes to its own field, the first one while the
    // other has the focus.
    auto left = openField("Left");
    auto right = openField("Right");
    // Below the other one, so that the screenshot shows both.
    runProcess(QStringLiteral("xdotool"),
               {QStringLiteral("getactivewindow"), QStringLiteral("windowmove"),
                QStringLiteral("640"), QStringLiteral("640")});
    holdAndSay(kNumbers);
    focus(left);
    holdAndSay(kMeeting);
    expectHeard(kNumbers, waitForText(right));
    expectHeard(kMeeting, waitForText(left));
    EXPECT_TRUE(waitForTranscriptions(4));
    screenshotScreen("dictation-two-fields");

    // A press the stalled agent reads late counts from when the key went down.
    auto stalled = openField("After a stall");
    ASSERT_EQ(::kill(agent().pid(), SIGSTOP), 0);
    processEventsFor(kStallSeconds / 2);
    pressKey();
    processEventsFor(kStallSeconds / 2);
    ASSERT_EQ(::kill(agent().pid(), SIGCONT), 0);
    EXPECT_TRUE(waitForHUD("Listening"));
    say(kFox);
    releaseKey();
    expectHeard(kFox, waitForText(stalled));
    EXPECT_TRUE(waitForTranscriptions(5));
    const int dictated = transcriptions();

    // Silence: nothing is sent and the recording is put aside (next to the
    // single tap's, when the busy agent read that tap late and kept it).
    const size_t silentBefore = silentRecordings().size();
    auto quiet = openField("Silence");
    startHolding();
    processEventsFor(kSilentHoldSeconds);
    releaseKey();
    EXPECT_TRUE(waitForHUD("Microphone audio is unusable"));
    screenshotScreen("dictation-silence");
    EXPECT_TRUE(eventually([&] { return silentRecordings().size() == silentBefore + 1; }, 30));
    EXPECT_TRUE(pendingRecordings().empty());
    EXPECT_EQ(transcriptions(), dictated);
    EXPECT_EQ(fieldText(quiet), "");

    // The backend goes down while the user speaks.
    auto unheard = openField("Backend down");
    startHolding();
    stopBackend();
    say(kFox);
    releaseKey();
    EXPECT_TRUE(waitForHUD("Recording saved for retry"));
    screenshotScreen("dictation-backend-down");
    const auto kept = pendingRecordings();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].extension(), ".wav");

    // Back up: the retry, chosen during a new hold, pastes into the field
    // focused now, not the one of the recording; the new dictation follows.
    restartBackend();
    auto later = openField("Retry while holding");
    startHolding();
    ASSERT_TRUE(clickTrayItem(kRetryItem));
    say(kMeeting);
    releaseKey();
    // Both texts in either order (the saved one normally first), not just one:
    // the other sentence adds its nine words to either one's nine.
    const auto holdsBoth = [](const std::string& text) {
        constexpr double kOneSentenceMore = 0.8;
        return std::min(wordErrorRate(std::string(kFox) + " " + kMeeting, text),
                        wordErrorRate(std::string(kMeeting) + " " + kFox, text)) <
                   kLooseWordErrorRate &&
               wordErrorRate(kFox, text) > kOneSentenceMore &&
               wordErrorRate(kMeeting, text) > kOneSentenceMore;
    };
    EXPECT_TRUE(eventually([&] { return holdsBoth(fieldText(later)); }, kDeliverySeconds))
        << "the field reads \"" << fieldText(later) << "\"";
    EXPECT_TRUE(eventually([&] { return pendingRecordings().empty(); }, 30));
    EXPECT_EQ(transcriptions(), dictated + 2) << "a recording was sent twice";
    EXPECT_EQ(fieldText(unheard), "");
    screenshotScreen("dictation-retried");

    // Killed in the middle of a recording: its spool file survives, the next
    // launch offers it and delivers its audio.
    auto beforeCrash = openField("Before the crash");
    startHolding();
    say(kNumbers);
    agent().kill();
    releaseKey();
    EXPECT_TRUE(hasExtension(pendingRecordings(), ".caf"));
    startSignedInAgent();
    auto afterCrash = openField("After the crash");
    ASSERT_TRUE(clickTrayItem(kRetryItem));
    expectHeard(kNumbers, waitForText(afterCrash));
    EXPECT_EQ(fieldText(beforeCrash), "");
    EXPECT_TRUE(eventually([&] { return pendingRecordings().empty(); }, 30));
    screenshotScreen("dictation-recovered-after-crash");
}

} // namespace
} // namespace orvendi::test
