#include "AppDelegateFixture.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

namespace orvendi::test {
namespace {

using Delivery = AppDelegateFixture;

TEST_F(Delivery, EmptyTranscriptPastesNothingButCountsAsDelivered) {
    launchSignedIn();
    answerTranscript("");
    hold(1);
    fake.scheduler.advance(1);
    EXPECT_FALSE(delegate->lastText());
    EXPECT_FALSE(menu().item("Copy last dictation").isEnabled());
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);
    EXPECT_EQ(fake.windows.hud->text, "Pasted and remembered");
    EXPECT_TRUE(pending().empty());
}

// Nothing had the focus, or the target's application went away meanwhile: the
// text waits on the clipboard, no keystroke goes anywhere, and the HUD says so.
TEST_F(Delivery, TextThatCannotGoInStaysOnTheClipboardAndTheHUDSaysSo) {
    launchSignedIn();
    fake.workspace.frontmost.reset();
    hold(1);
    fake.scheduler.runPending();
    EXPECT_EQ(fake.windows.hud->text, "Copied: no text field had focus");

    fake.workspace.frontmost = kEditorPid;
    press();
    fake.workspace.running.clear(); // the editor quits during the dictation
    fake.workspace.frontmost = 5200;
    speak();
    fake.scheduler.advance(1);
    release();
    fake.scheduler.runPending();
    EXPECT_EQ(fake.windows.hud->text, "Copied: press Ctrl+V to paste");
    EXPECT_EQ(fake.pasteboard.string(), "Hello there.");
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);
    EXPECT_EQ(delegate->lastText(), "Hello there.");
    fake.scheduler.advance(2.5);
    EXPECT_FALSE(fake.windows.hud->isVisible());
}

TEST_F(Delivery, SilenceIsNotSentAndMovedAside) {
    launchSignedIn();
    press();
    silence();
    fake.scheduler.advance(1);
    release();
    fake.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/transcribe"), 0u);
    EXPECT_EQ(fake.windows.hud->text, "Microphone audio is unusable");
    const auto silentFolder = RecoveryStore(fake.files).recoveryDirectory() / "Silent Recordings";
    ASSERT_TRUE(std::filesystem::exists(silentFolder));
    const auto archived = std::filesystem::directory_iterator(silentFolder)->path();
    EXPECT_EQ(statusItem().accessibility,
              "The microphone captured silence or corrupted audio. Reopen Orvendi and confirm the "
              "correct "
              "input device before trying again. The silent file was preserved at " +
                  archived.string() + ".");
    EXPECT_TRUE(pending().empty());
}

TEST_F(Delivery, ServiceFailureKeepsTheRecordingForRetry) {
    launchSignedIn();
    server.respond("POST", "/api/transcribe",
                   ScriptedResponse::json(503, {{"error", "Speech engine busy"}}));
    hold(1);
    fake.scheduler.runPending();
    ASSERT_EQ(pending().size(), 1u);
    EXPECT_EQ(fake.windows.hud->text, "Recording saved for retry");
    EXPECT_EQ(statusItem().accessibility,
              "Speech engine busy. Recording saved at " + pending()[0].string());
    EXPECT_TRUE(menu().item("Retry saved recording").isEnabled());
    fake.scheduler.advance(2.5);
    EXPECT_EQ(statusItem().symbol, "waveform");

    // Retry later, with another field focused: the text goes there.
    answerTranscript("Second try.");
    const int32_t otherPid = 5200;
    fake.workspace.running.insert(otherPid);
    fake.workspace.frontmost = otherPid;
    auto other = fake.accessibility.focus(otherPid);
    menu().item("Retry saved recording").click();
    fake.scheduler.advance(1);
    EXPECT_EQ(delegate->lastText(), "Second try.");
    EXPECT_EQ(other->focusCount, 1);
    EXPECT_EQ(editor->focusCount, 0);
    EXPECT_TRUE(pending().empty());
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
}

TEST_F(Delivery, RetryWithNothingPendingDisablesTheItem) {
    launchSignedIn();
    menu().item("Retry saved recording").setEnabled(true);
    menu().item("Retry saved recording").click();
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
}

TEST_F(Delivery, RetryDuringARecordingLeavesTheRecordingInProgressAlone) {
    launchSignedIn();
    press();
    speak();
    fake.scheduler.advance(0.5);
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
    menu().item("Retry saved recording").setEnabled(true);
    menu().item("Retry saved recording").click();
    fake.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/transcribe"), 0u)
        << "the live spool is not a saved recording";
    EXPECT_TRUE(delegate->isRecording());

    speak();
    fake.scheduler.advance(0.5);
    release();
    fake.scheduler.advance(1);
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
    EXPECT_EQ(delegate->lastText(), "Hello there.");
    EXPECT_TRUE(pending().empty());
}

TEST_F(Delivery, CopyLastPutsTheTextOnThePasteboard) {
    launchSignedIn();
    menu().item("Copy last dictation").click();
    EXPECT_FALSE(fake.pasteboard.string()) << "nothing delivered yet";
    hold(1);
    fake.scheduler.advance(5);
    fake.pasteboard.clearContents();
    menu().item("Copy last dictation").click();
    EXPECT_EQ(fake.pasteboard.string(), "Hello there.");
    EXPECT_EQ(statusItem().symbol, "doc.on.clipboard");
    fake.scheduler.advance(1.2);
    EXPECT_EQ(statusItem().symbol, "waveform");
}

// Transcripts that come back in reverse order still land in their own fields.
class DeliveryOrder : public AppDelegateFixture {
protected:
    DeliveryOrder() : AppDelegateFixture(VirtualScheduler::Background::Threads) {}
};

TEST_F(DeliveryOrder, EachTranscriptLandsWhereItsRecordingStarted) {
    // The first answer is held back until the second transcript has landed, so
    // the reverse order does not depend on how fast the machine is.
    std::promise<void> answerFirst;
    std::shared_future<void> firstMayAnswer = answerFirst.get_future().share();
    // Owned by the handler: the server's workers may outlive this test body.
    auto uploads = std::make_shared<std::atomic<int>>(0);
    server.handle("POST", "/api/transcribe", [uploads, firstMayAnswer](const RecordedRequest&) {
        const int index = ++*uploads;
        if (index == 1) {
            firstMayAnswer.wait_for(std::chrono::seconds(30));
        }
        return ScriptedResponse::json(200,
                                      {{"raw",
                                        {{"text", index == 1 ? "first" : "second"},
                                         {"cleaned_text", index == 1 ? "First." : "Second."}}}});
    });
    launchSignedIn();
    hold(1);
    // Other requests (reports, the vault) may come first: wait for this upload.
    ASSERT_TRUE(
        fake.scheduler.runUntil([&] { return server.requestCount("/api/transcribe") == 1; }));
    EXPECT_EQ(statusItem().symbol, "hourglass");
    EXPECT_EQ(fake.windows.hud->text, "Turning speech into text");
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
    EXPECT_EQ(menu().itemAt(0)->title(), "Start recording");

    const int32_t otherPid = 5200;
    fake.workspace.running.insert(otherPid);
    fake.workspace.frontmost = otherPid;
    auto other = fake.accessibility.focus(otherPid);
    hold(1);

    ASSERT_TRUE(fake.scheduler.runUntil([&] { return delegate->lastText() == "Second."; }));
    fake.scheduler.advance(1);
    EXPECT_EQ(other->focusCount, 1) << "the second text went to the second field";
    EXPECT_EQ(editor->focusCount, 0);

    answerFirst.set_value();
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return delegate->lastText() == "First."; }));
    fake.scheduler.advance(1);
    EXPECT_EQ(other->focusCount, 1);
    EXPECT_EQ(editor->focusCount, 1) << "the first text went to the first field";
    EXPECT_EQ(fake.workspace.activated, (std::vector<int32_t>{otherPid, kEditorPid}));
}

TEST_F(DeliveryOrder, QuitDuringAnUploadAndAVaultSyncEndsAtOnceKeepingTheRecording) {
    auto slowly = [](ScriptedResponse response) {
        response.delaySeconds = 60;
        return response;
    };
    server.respond("POST", "/api/transcribe",
                   slowly(ScriptedResponse::json(200, {{"raw", {{"text", "Late."}}}})));
    server.respond("GET", "/api/notes",
                   slowly(ScriptedResponse::json(200, {{"notes", nlohmann::json::array()}})));
    launchSignedIn();
    hold(1);
    ASSERT_TRUE(fake.scheduler.runUntil([&] {
        return server.requestCount("/api/transcribe") == 1 &&
               server.requestCount("/api/notes") == 1;
    }));
    const auto quitAt = std::chrono::steady_clock::now();
    quit();
    EXPECT_LT(std::chrono::steady_clock::now() - quitAt, std::chrono::seconds(2));
    EXPECT_EQ(pending().size(), 1u) << "kept for the next launch";
}

// The first upload waits until the test lets it answer.
class HeldUpload : public AppDelegateFixture {
protected:
    HeldUpload() : AppDelegateFixture(VirtualScheduler::Background::Threads) {
        backend->receipt.text = "Held.";
        backend->onCall = [uploads = uploads, held = firstMayAnswer](const std::string& call) {
            if (call == "transcribeWithReceipt" && ++*uploads == 1) {
                held.wait_for(std::chrono::seconds(30));
            }
        };
    }

    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    std::shared_ptr<std::atomic<int>> uploads = std::make_shared<std::atomic<int>>(0);
    std::promise<void> answerFirst;
    std::shared_future<void> firstMayAnswer = answerFirst.get_future().share();
};

TEST_F(HeldUpload, RetryNeverSendsARecordingOnItsWay) {
    writeConfig();
    launch(backend);
    hold(1);
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return *uploads == 1; }));
    // Another dictation is delivered meanwhile; the held one is not retryable.
    hold(1);
    ASSERT_TRUE(fake.scheduler.runUntil([&] { return delegate->lastText().has_value(); }));
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
    delegate->retrySavedRecording();

    answerFirst.set_value();
    fake.scheduler.finishBackgroundWork();
    fake.scheduler.advance(1);
    EXPECT_EQ(*uploads, 2);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 2);
    EXPECT_TRUE(pending().empty());
}

} // namespace
} // namespace orvendi::test
