#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "desktop/dictation/DictationFixture.h"
#include "platform/linux/keys/SwayTree.h"
#include "support/harness/SpokenAudio.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

constexpr const char* kMeeting = "please call me back tomorrow morning about the meeting";
constexpr const char* kFox = "the quick brown fox jumps over the lazy dog";

// The real agent in the sway test session: the dictation key comes through
// the session's virtual keyboard and sway's key bindings, and native Wayland
// GTK windows have the focus.
class WaylandDictationTest : public DictationFixture {
protected:
    static void key(const std::string& action) {
        const char* fifo = std::getenv("ORVENDI_VIRTUAL_KEYBOARD");
        ASSERT_NE(fifo, nullptr) << "run the test in tests/support/harness/wayland-session";
        std::ofstream(fifo) << action << " " << kDictationKey << std::endl;
    }
    void holdKey() {
        key("press");
        ASSERT_TRUE(waitForHUD("Listening")) << agent().log();
    }
    static std::string sway(const QStringList& arguments) {
        return runProcess(QStringLiteral("swaymsg"), arguments).output.toStdString();
    }

    // The process that has sway's focus, or -1.
    static int64_t focusedProcess() {
        const auto window = sway_ipc::focusedWindow(sway({"-t", "get_tree"}));
        return window ? window->processId : -1;
    }

    // A zenity dialog (GTK on `backend`: "wayland" or "x11"; an entry unless
    // `kind` says otherwise), once sway has given it the focus and its field
    // is readable.
    EntryField openZenity(const QString& backend, const QString& kind = QStringLiteral("--entry")) {
        EntryField field;
        field.app = std::make_unique<DesktopApp>(
            QStringLiteral("env"),
            QStringList{QStringLiteral("GDK_BACKEND=") + backend, QStringLiteral("zenity"), kind});
        const int32_t pid = field.app->processId();
        EXPECT_TRUE(eventually(
            [&] {
                field.element = focusedProcess() == pid
                                    ? services().accessibility.focusedElement(pid)
                                    : nullptr;
                return field.element != nullptr;
            },
            kAppStartSeconds))
            << "zenity " << kind.toStdString() << " on " << backend.toStdString()
            << " did not take the focus";
        return field;
    }

    // The last transcript, as "Copy last dictation" puts it on the clipboard.
    std::string copiedLastDictation() {
        setClipboardText("before");
        EXPECT_TRUE(clickTrayItem("Copy last dictation"));
        eventually([&] { return clipboardText() != "before"; });
        return clipboardText();
    }
};

// Hold to talk, hands-free by double tap with the key sway reports and by
// `orvendi --dictation toggle`, while a native Wayland window has the focus:
// every dictation is transcribed.
TEST_F(WaylandDictationTest, KeyHeldDoubleTappedOrToggledInANativeWindowDictates) {
    startSignedInAgent();
    EXPECT_NE(agent().log().find("the dictation key comes from sway key bindings"),
              std::string::npos)
        << agent().log();
    auto native = openZenity(QStringLiteral("wayland"));

    holdKey();
    say(kMeeting);
    key("release");
    ASSERT_TRUE(waitForTranscriptions(1));
    {
        // sway hands the clipboard between XWayland and native windows only
        // while an X11 window has the focus: read it from one.
        auto xwayland = openZenity(QStringLiteral("x11"));
        const std::string held = copiedLastDictation();
        EXPECT_LT(wordErrorRate(kMeeting, held), kLooseWordErrorRate) << "clipboard: " << held;
    }

    sway({QStringLiteral("[pid=%1] focus").arg(int(native.app->processId()))});
    key("press");
    key("release");
    key("press");
    key("release");
    ASSERT_TRUE(waitForHUD("Recording hands-free"));
    say(kFox);
    key("press");
    key("release");
    ASSERT_TRUE(waitForTranscriptions(2));

    // A desktop shortcut's command starts and stops hands-free dictation, and
    // the agent leaves no binding of its own behind when it ends.
    ASSERT_EQ(agent().launchAgain({"--dictation", "toggle"}).exitCode, 0);
    ASSERT_TRUE(waitForHUD("Recording hands-free"));
    say(kFox);
    ASSERT_EQ(agent().launchAgain({"--dictation", "toggle"}).exitCode, 0);
    ASSERT_TRUE(waitForTranscriptions(3));
    EXPECT_EQ(agent().launchAgain({"--dictation", "hold"}).exitCode, 2);

    // Ended as a logout or a service manager ends it: it winds down as on Quit.
    EXPECT_EQ(agent().stop(), 0);
    // Removing a binding that is no longer there fails.
    const auto removed = runProcess(QStringLiteral("swaymsg"),
                                    {QStringLiteral("unbindsym --release ") + kDictationKey});
    EXPECT_NE(removed.exitCode, 0) << removed.output.toStdString();
    EXPECT_EQ(agent().launchAgain({"--dictation", "toggle"}).exitCode, 1)
        << "a command with no agent running";
}

// The text lands where the user was typing: in a native GTK field (even when
// a terminal took the focus while the text was on its way), in a native
// terminal (which pastes the primary selection on Shift+Insert) and in a GTK
// field under XWayland. A password field refuses dictation.
TEST_F(WaylandDictationTest, TextLandsInNativeTerminalAndXWaylandWindows) {
    startSignedInAgent();
    auto dictate = [&](int count) {
        holdKey();
        say(kFox);
        key("release");
        ASSERT_TRUE(waitForTranscriptions(count));
    };
    auto landed = [](const std::string& text) {
        return wordErrorRate(kFox, text) < kLooseWordErrorRate;
    };
    // The terminal hands every byte it is given to cat, which keeps it.
    const auto typed = tempDir() / "terminal.txt";
    std::unique_ptr<DesktopApp> foot;
    {
        auto native = openZenity(QStringLiteral("wayland"));
        holdKey();
        say(kFox);
        key("release");
        foot = std::make_unique<DesktopApp>(
            QStringLiteral("foot"),
            QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("stty -icanon -echo; exec cat >\"$0\""),
                        QString::fromStdString(typed.string())});
        EXPECT_TRUE(eventually([&] { return focusedProcess() == foot->processId(); }));
        const std::string text = waitForText(native);
        EXPECT_TRUE(landed(text)) << "native field: " << text;
    }
    sway({QStringLiteral("[pid=%1] focus").arg(foot->processId())});
    ASSERT_TRUE(
        eventually([&] { return focusedProcess() == foot->processId(); }, kAppStartSeconds));
    dictate(2);
    std::string text;
    EXPECT_TRUE(eventually([&] { return landed(text = readFile(typed)); }, kDeliverySeconds))
        << "terminal (once, not the first dictation too): " << text;
    foot.reset();
    {
        auto x11 = openZenity(QStringLiteral("x11"));
        dictate(3);
        text = waitForText(x11);
        EXPECT_TRUE(landed(text)) << "XWayland field: " << text;
    }
    auto password = openZenity(QStringLiteral("wayland"), QStringLiteral("--password"));
    key("press");
    EXPECT_TRUE(eventually([&] {
        return agent().log().find("Dictation is off in secure fields") != std::string::npos;
    })) << agent().log();
    key("release");
}

} // namespace
} // namespace orvendi::test
