#include <QClipboard>
#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"
#include "desktop/support/QtTestLoop.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

// A dictation started and stopped from the tray, spoken into the session's
// virtual microphone, then copied again from the tray.
class CopyLastDictationTest : public AgentFixture {
protected:
    static constexpr double kTranscriptionTimeoutSeconds = 120;

    // Queues `sentence` on the virtual microphone and waits until it has been played.
    void speak(const std::string& sentence) {
        const char* session = std::getenv("ORVENDI_AUDIO_SESSION");
        ASSERT_NE(session, nullptr) << "not in an audio session";
        const auto clip = tempDir() / "spoken.wav";
        const Bytes wav = spokenWav(sentence, tempDir(), 16000);
        writeFile(clip, std::string(wav.begin(), wav.end()));
        const QString script = QStringLiteral(ORVENDI_TEST_HARNESS_DIR "/audio-session");
        ASSERT_EQ(
            runProcess(script, {"play", session, QString::fromStdString(clip.string())}).exitCode,
            0);
        ASSERT_EQ(runProcess(script, {"wait", session}, 60).exitCode, 0);
    }

    bool itemEnabled(const QString& label) {
        const auto item = trayItem(label);
        return item && item->enabled;
    }
};

TEST_F(CopyLastDictationTest, PutsTheDeliveredTranscriptOnTheClipboard) {
    startAgent(Launch::SignedIn);
    ASSERT_TRUE(waitForTrayMenu());
    EXPECT_FALSE(itemEnabled("Copy last dictation"));

    ASSERT_TRUE(clickTrayItem("Start recording"));
    ASSERT_TRUE(eventually([&] { return trayItem("Stop & transcribe").has_value(); }, 30));
    speak("please call me back tomorrow morning");
    ASSERT_TRUE(clickTrayItem("Stop & transcribe"));
    if (const auto hud = agent().waitForWindow(kWorkspaceTitle, QSize(210, 48), 5)) {
        screenshot("agent-hud-transcribing", hud->geometry);
    }
    ASSERT_TRUE(eventually([&] { return itemEnabled("Copy last dictation"); },
                           kTranscriptionTimeoutSeconds))
        << "no transcript was delivered";

    // The transcript the agent delivered is the note the server kept.
    const std::string token = signInThroughApi(kAccountEmail);
    const auto notes = apiGet("/api/notes?full=1", token)["notes"];
    ASSERT_EQ(notes.size(), 1u) << notes.dump();
    const std::string transcript = notes[0].value("cleaned_text", "");
    ASSERT_FALSE(transcript.empty());

    // Something else on the clipboard since; the menu item puts the transcript back.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("something else"));
    processEventsFor(0.3);
    ASSERT_TRUE(clickTrayItem("Copy last dictation"));
    EXPECT_TRUE(
        processEventsUntil([&] { return clipboard->text().toStdString() == transcript; }, 15))
        << "clipboard: " << clipboard->text().toStdString() << "\ntranscript: " << transcript;
    // Still enabled: the item is never disabled again.
    EXPECT_TRUE(itemEnabled("Copy last dictation"));
}

} // namespace
} // namespace orvendi::test
