#include <thread>

#include "AppDelegateFixture.h"

namespace orvendi::test {
namespace {

using Dictation = AppDelegateFixture;

TEST_F(Dictation, HoldingTheKeyRecordsAndDeliversIntoTheFocusedField) {
    launchSignedIn();
    press();
    EXPECT_TRUE(delegate->isRecording());
    EXPECT_EQ(statusItem().symbol, "record.circle.fill");
    EXPECT_EQ(statusItem().tint, Tint::SystemRed);
    EXPECT_FALSE(statusItem().isTemplate);
    EXPECT_EQ(menu().item("Stop & transcribe").title(), "Stop & transcribe");
    EXPECT_EQ(fake.windows.hud->text, "Listening");

    speak();
    fake.scheduler.advance(0.35); // exactly the hold threshold counts as a hold
    release();
    EXPECT_FALSE(delegate->isRecording());
    // Background work runs on the test's timeline here: the upload and its
    // outcome have run (the in-flight state is checked with real threads below).
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
    EXPECT_EQ(fake.windows.hud->text, "Pasted and remembered");
    EXPECT_EQ(statusItem().symbol, "checkmark.circle.fill");
    EXPECT_EQ(delegate->lastText(), "Hello there.");
    EXPECT_TRUE(menu().item("Copy last dictation").isEnabled());
    EXPECT_EQ(fake.defaults.string("activationFirstThoughtId"), "dictation-1");
    EXPECT_TRUE(pending().empty()) << "a delivered recording leaves no copy behind";

    fake.scheduler.advance(0.32);
    EXPECT_EQ(fake.workspace.activated, (std::vector<int32_t>{kEditorPid}));
    EXPECT_EQ(editor->focusCount, 1);
    EXPECT_EQ(editor->rangesSet, (std::vector<TextRange>{{3, 0}}));
    EXPECT_EQ(fake.pasteboard.string(), "Hello there.");
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 1);

    fake.scheduler.advance(1.2);
    EXPECT_EQ(statusItem().symbol, "waveform");
    fake.scheduler.advance(0.2);
    EXPECT_FALSE(fake.windows.hud->isVisible());
}

TEST_F(Dictation, ShortTapCancelsAndDoubleTapLocksHandsFree) {
    launchSignedIn();
    // 0.3 s press; 0.2 s after its release a 0.15 s press: releases 0.35 s apart.
    hold(0.3);
    EXPECT_FALSE(delegate->isRecording()) << "a single short tap is thrown away";
    EXPECT_FALSE(fake.windows.hud->isVisible());
    EXPECT_TRUE(pending().empty());
    fake.scheduler.advance(0.2);
    hold(0.15);
    EXPECT_TRUE(delegate->isRecording());
    EXPECT_TRUE(delegate->isLocked());
    EXPECT_EQ(fake.windows.hud->text, "Recording hands-free");

    fake.scheduler.advance(5);
    press(); // ends the hands-free recording and transcribes it
    EXPECT_FALSE(delegate->isRecording());
    fake.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
    release(); // the release of the stopping press does nothing
    fake.scheduler.advance(2);
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
    EXPECT_FALSE(delegate->isRecording());
}

// A key source that lost the release: the microphone stays open hands-free
// (nothing said is lost), the HUD says how to end it, and the next press does.
TEST_F(Dictation, LostReleaseContinuesHandsFreeUntilTheNextPress) {
    launchSignedIn();
    press();
    speak();
    fake.scheduler.advance(1);
    fake.keyEvents.sendReleaseLost();
    fake.scheduler.runPending();
    EXPECT_TRUE(delegate->isRecording());
    EXPECT_TRUE(delegate->isLocked());
    EXPECT_EQ(fake.windows.hud->text, "Recording hands-free: press Right Ctrl again to stop");
    EXPECT_EQ(server.requestCount("/api/transcribe"), 0u);

    press();
    fake.scheduler.runPending();
    EXPECT_FALSE(delegate->isRecording());
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
}

// Presses and releases, alternately, stamped by their key source (seconds
// after the first press) but handed over together after the main thread was
// busy for a second; the microphone gives `audio` seconds after each press.
struct StampedGesture {
    const char* name;
    std::vector<double> stamps;
    double audio;
    bool stillRecording;
    size_t transcribed;
};

class StampedGestures : public AppDelegateFixture,
                        public ::testing::WithParamInterface<StampedGesture> {};

TEST_P(StampedGestures, AreTimedByTheirStampsNotByWhenTheyAreHandled) {
    launchSignedIn();
    const double firstPress = fake.scheduler.now();
    fake.scheduler.advance(1);
    for (size_t i = 0; i < GetParam().stamps.size(); ++i) {
        const bool press = i % 2 == 0;
        fake.keyEvents.send(press, false, firstPress + GetParam().stamps[i]);
        fake.scheduler.runPending();
        if (press) {
            speak(GetParam().audio);
        }
    }
    EXPECT_EQ(delegate->isRecording(), GetParam().stillRecording);
    fake.scheduler.advance(5);
    EXPECT_EQ(server.requestCount("/api/transcribe"), GetParam().transcribed);
}

// The window runs from release to release; a third tap cannot lock again; a
// tap with more audio than a tap can hold keeps what was said.
INSTANTIATE_TEST_SUITE_P(
    Dictation, StampedGestures,
    ::testing::Values(
        StampedGesture{"HoldIsTranscribed", {0, 0.8}, 0.2, false, 1},
        StampedGesture{"TapIsThrownAway", {0, 0.2}, 0.2, false, 0},
        StampedGesture{"DoubleTapLocks", {0, 0.1, 0.3, 0.4}, 0.1, true, 0},
        StampedGesture{"TapsApartStaySingle", {0, 0.2, 0.6, 0.8}, 0.2, false, 0},
        StampedGesture{
            "ThirdTapCannotLockAgain", {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7}, 0.1, false, 1},
        StampedGesture{"TapWithMoreAudioIsTranscribed", {0, 0.2}, 1.0, false, 1},
        StampedGesture{"ThenASecondTapStillLocks", {0, 0.2, 0.3, 0.4}, 1.0, true, 1}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(Dictation, SecureFieldsRefuseDictation) {
    launchSignedIn();
    editor->subrole = "AXSecureTextField";
    press();
    EXPECT_FALSE(delegate->isRecording());
    EXPECT_EQ(statusItem().symbol, "exclamationmark.triangle");
    EXPECT_EQ(statusItem().accessibility, "Dictation is off in secure fields");
    EXPECT_EQ(lastLogLine().substr(lastLogLine().find("Orvendi error")),
              "Orvendi error: Dictation is off in secure fields");
    // Also where no tray shows it, and a quick release does not take it away.
    EXPECT_EQ(fake.windows.hud->text, "Dictation is off in secure fields");
    fake.scheduler.advance(0.1);
    release(); // a refused press resets the icon at once
    EXPECT_EQ(statusItem().symbol, "waveform");
    hold(0.1); // a refused double tap locks no recording that is not there
    EXPECT_FALSE(delegate->isLocked());
    EXPECT_EQ(fake.windows.hud->text, "Dictation is off in secure fields");
    fake.scheduler.advance(2.2);
    EXPECT_TRUE(fake.windows.hud->isVisible());
    fake.scheduler.advance(0.3);
    EXPECT_FALSE(fake.windows.hud->isVisible());
}

TEST_F(Dictation, MissingMicrophonePermissionAsksAndExplains) {
    launchSignedIn();
    fake.privacy.microphone = MicrophoneAuthorization::Denied;
    press();
    EXPECT_FALSE(delegate->isRecording());
    EXPECT_EQ(fake.windows.hud->text, "Microphone permission needed");
    EXPECT_EQ(statusItem().accessibility,
              "Microphone permission is off. Open the Orvendi menu → Microphone permission, enable "
              "Orvendi, then reopen the app.");
    fake.scheduler.advance(2.4);
    EXPECT_FALSE(fake.windows.hud->isVisible());
}

TEST_F(Dictation, MicrophonePromptRefusedOpensTheSoundSettings) {
    fake.privacy.microphone = MicrophoneAuthorization::NotDetermined;
    fake.privacy.grantOnRequest = false;
    launchSignedIn();
    EXPECT_EQ(fake.privacy.microphoneRequests, 1);
    EXPECT_EQ(fake.workspace.openedURLs.back(),
              "x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone");
}

TEST_F(Dictation, RecorderFailureIsShownAsMicError) {
    launchSignedIn();
    fake.audioInput.startError = "No PulseAudio server answered";
    press();
    EXPECT_FALSE(delegate->isRecording());
    EXPECT_EQ(statusItem().accessibility, "Mic error: No PulseAudio server answered");
    EXPECT_EQ(fake.windows.hud->text, "Mic error: No PulseAudio server answered");
}

TEST_F(Dictation, AStopWithoutAudioSaysSoAndOffersTheSpoolForRetry) {
    launchSignedIn();
    press();
    fake.scheduler.advance(1); // the microphone delivered nothing
    release();
    EXPECT_FALSE(delegate->isRecording());
    EXPECT_EQ(fake.windows.hud->text, "Recording saved for retry");
    EXPECT_EQ(statusItem().accessibility,
              "The recording could not be converted. It was saved for retry.");
    EXPECT_EQ(menu().itemAt(0)->title(), "Start recording");
    EXPECT_TRUE(menu().item("Retry saved recording").isEnabled());
    fake.scheduler.advance(2.5);
    EXPECT_EQ(statusItem().symbol, "waveform");
    EXPECT_FALSE(fake.windows.hud->isVisible());
}

TEST_F(Dictation, MenuStartsHandsFreeAndTheKeyStopsIt) {
    launchSignedIn();
    menu().item("Start recording").click();
    EXPECT_TRUE(delegate->isRecording());
    EXPECT_EQ(fake.windows.hud->text, "Recording hands-free");
    speak();
    fake.scheduler.advance(2);
    press();
    EXPECT_FALSE(delegate->isRecording());
    fake.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/transcribe"), 1u);
}

TEST_F(Dictation, IconResetDuringANewRecordingKeepsShowingTheRecording) {
    launchSignedIn();
    editor->subrole = "AXSecureTextField";
    press();
    release(); // error shown; its reset is due in 2.5 s
    editor->subrole.reset();
    fake.scheduler.advance(1);
    menu().item("Start recording").click();
    fake.scheduler.advance(2);
    EXPECT_TRUE(delegate->isRecording());
    EXPECT_EQ(statusItem().symbol, "record.circle.fill");
    EXPECT_EQ(menu().itemAt(0)->title(), "Stop & transcribe");
}

TEST_F(Dictation, KeyEventOffTheMainThreadAbortsInCheckedBuilds) {
#if !defined(ORVENDI_THREAD_CHECKS)
    GTEST_SKIP() << "thread checks are compiled out of release builds";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    launchSignedIn();
    EXPECT_DEATH(std::thread([this] { delegate->fnDown(0); }).join(), "off the main thread");
    EXPECT_FALSE(delegate->isRecording());
}

} // namespace
} // namespace orvendi::test
