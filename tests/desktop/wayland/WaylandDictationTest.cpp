#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "desktop/dictation/DictationFixture.h"
#include "support/harness/SpokenAudio.h"

namespace orvendi::test {
namespace {

constexpr const char* kMeeting = "please call me back tomorrow morning about the meeting";
constexpr const char* kFox = "the quick brown fox jumps over the lazy dog";

// The process id of sway's focused window, or -1.
int64_t focusedPid(const nlohmann::json& node) {
    if (node.value("focused", false)) {
        return node.value("pid", int64_t(-1));
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const auto& child : node.value(children, nlohmann::json::array())) {
            if (const int64_t pid = focusedPid(child); pid > 0) {
                return pid;
            }
        }
    }
    return -1;
}

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

    // A zenity entry (GTK on `backend`: "wayland" or "x11"), once sway has
    // given it the focus.
    std::unique_ptr<DesktopApp> openZenity(const QString& backend) {
        auto app = std::make_unique<DesktopApp>(
            QStringLiteral("env"),
            QStringList{QStringLiteral("GDK_BACKEND=") + backend, QStringLiteral("zenity"),
                        QStringLiteral("--entry")});
        const int32_t pid = app->processId();
        EXPECT_TRUE(eventually([&] {
            const auto tree = nlohmann::json::parse(sway({"-t", "get_tree"}), nullptr, false);
            return focusedPid(tree) == pid;
        })) << "the native zenity window did not take the focus";
        return app;
    }

    // The last transcript, as "Copy last dictation" puts it on the clipboard.
    std::string copiedLastDictation() {
        setClipboardText("before");
        EXPECT_TRUE(clickTrayItem("Copy last dictation"));
        eventually([&] { return clipboardText() != "before"; });
        return clipboardText();
    }
};

// Hold to talk and hands-free by double tap with the key sway reports, while a
// native Wayland window has the focus: both dictations are transcribed.
TEST_F(WaylandDictationTest, KeyHeldOrDoubleTappedInANativeWindowDictates) {
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

    sway({QStringLiteral("[pid=%1] focus").arg(int(native->processId()))});
    key("press");
    key("release");
    key("press");
    key("release");
    ASSERT_TRUE(waitForHUD("Recording hands-free"));
    say(kFox);
    key("press");
    key("release");
    EXPECT_TRUE(waitForTranscriptions(2));
}

// A desktop shortcut's command starts and stops hands-free dictation, and the
// agent leaves no binding of its own behind when it ends.
TEST_F(WaylandDictationTest, DictationCommandTogglesAndEndingRemovesTheBindings) {
    startSignedInAgent();
    auto field = openZenity(QStringLiteral("wayland"));
    ASSERT_EQ(agent().launchAgain({"--dictation", "toggle"}).exitCode, 0);
    ASSERT_TRUE(waitForHUD("Recording hands-free"));
    say(kFox);
    ASSERT_EQ(agent().launchAgain({"--dictation", "toggle"}).exitCode, 0);
    ASSERT_TRUE(waitForTranscriptions(1));
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

} // namespace
} // namespace orvendi::test
