#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"
#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

// The agent from its first launch, signed out, through signing in in its
// window, the signed-in setup, the workspace with the session and the
// floating status panel a recording shows, to the next launch and the later
// `orvendi` launches (the launcher, an "orvendi:" link opened anywhere) that
// hand over to it and exit. One story, as each agent start costs seconds.
class AgentLaunchesTest : public AgentFixture {
protected:
    bool recognisesSpeech() const override { return false; }
    static constexpr const char* kEmail = "reader@example.com";
    static constexpr QSize kHUDSize{210, 48};

    // Types the address (with blanks the window must trim), then the code
    // from the outbox, each confirmed with Return. A wrong code is the
    // controller's unit tests' and the server's sign-in tests'.
    void signInThroughWindow(const AgentWindow& window) {
        activateWindow(window);
        typeText(std::string("  ") + kEmail + " ");
        pressKeys("Return");
        std::optional<std::string> code;
        ASSERT_TRUE(eventually(
            [&] {
                code = server().signInCode(kEmail);
                return code.has_value();
            },
            60))
            << "no sign-in mail";
        // The code field takes the focus once the code is on its way.
        ASSERT_TRUE(waitForRequest("POST /api/native-auth/request"));
        processEventsFor(0.5);
        screenshot("agent-sign-in-code", window.geometry);
        typeText(*code);
        pressKeys("Return");
    }

    // The status panel if it is up now.
    std::optional<AgentWindow> visibleHUD() {
        for (const auto& window : agent().visibleWindows()) {
            if (window.geometry.size() == kHUDSize) {
                return window;
            }
        }
        return std::nullopt;
    }

    // Starts a recording from the tray; the panel shows it.
    std::optional<AgentWindow> startRecording() {
        EXPECT_TRUE(clickTrayItem("Start recording"));
        return agent().waitForWindow(kWorkspaceTitle, kHUDSize);
    }

    // Stops it; with nothing said (the session's microphone hears a quiet
    // room) the panel reports unusable audio and hides.
    void stopRecording() {
        ASSERT_TRUE(eventually([&] { return trayItem("Stop & transcribe").has_value(); }))
            << "the menu never offered to stop";
        ASSERT_TRUE(clickTrayItem("Stop & transcribe"));
        ASSERT_TRUE(eventually([&] { return !visibleHUD(); }, 60)) << "the panel stayed up";
    }

    static void drag(const QPoint& from, const QPoint& to) {
        auto move = [](const QPoint& point) {
            runProcess("xdotool",
                       {"mousemove", QString::number(point.x()), QString::number(point.y())});
        };
        move(from);
        runProcess("xdotool", {"mousedown", "1"});
        constexpr int kSteps = 4;
        for (int step = 1; step <= kSteps; ++step) {
            move(from + (to - from) * step / kSteps);
        }
        runProcess("xdotool", {"mouseup", "1"});
    }

    void launchAgain(const QStringList& arguments) {
        const auto launch = agent().launchAgain(arguments);
        EXPECT_TRUE(launch.finished) << arguments.join(' ').toStdString();
        EXPECT_EQ(launch.exitCode, 0) << launch.errors.toStdString();
    }

    void closeWorkspace(const AgentWindow& workspace) {
        activateWindow(workspace);
        pressKeys("alt+F4");
        ASSERT_TRUE(eventually([&] { return agent().visibleWindows().empty(); }))
            << "the workspace window did not close";
        EXPECT_TRUE(agent().running()) << "closing the last window ended the agent";
        // The page goes with the window: no renderer process stays behind.
        EXPECT_TRUE(eventually([&] { return rendererProcesses() == 0; }))
            << rendererProcesses() << " web renderer processes left";
    }

    // The web engine's renderer processes of the agent.
    int rendererProcesses() {
        const auto listing = runProcess("pgrep", {"-g", QString::number(agent().pid()), "-f",
                                                  "QtWebEngineProcess.*--type=renderer"});
        return static_cast<int>(listing.output.split('\n', Qt::SkipEmptyParts).size());
    }

    bool signInWindowVisible() {
        const auto windows = agent().visibleWindows();
        return std::any_of(windows.begin(), windows.end(),
                           [](const AgentWindow& window) { return window.title == kSignInTitle; });
    }
};

// Window managers place a centred window's frame, not its client area; the
// title bar may shift it by this much.
constexpr int kFrameAllowance = 40;

// The next launch after signing in keeps the session, the workspace's size
// and where the user dragged the status panel; later launches reopen the
// workspace or follow their link.
TEST_F(AgentLaunchesTest, CodeSignInOpensTheSettingsNextLaunchesKeepItAndLaterOnesHandOver) {
    startAgent(Launch::SignedOut);
    const auto signIn = agent().waitForWindow(kSignInTitle, QSize(480, 430));
    ASSERT_TRUE(signIn) << "no sign-in window";
    screenshot("agent-sign-in", signIn->geometry);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(signIn->geometry.center().x() - screen.center().x()), kFrameAllowance);
    EXPECT_LE(std::abs(signIn->geometry.center().y() - screen.center().y()), kFrameAllowance);
    // Nothing but the sign-in window: no workspace without a session.
    for (const auto& window : agent().visibleWindows()) {
        EXPECT_EQ(window.title, kSignInTitle)
            << window.geometry.width() << "x" << window.geometry.height();
    }
    // The signed-out menu the unit tests describe item by item reaches the
    // panel whole, its key equivalent included.
    const auto menu = waitForTrayMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->children.size(), 8u);
    EXPECT_EQ(menu->children.back().shortcut.toLower().toStdString(), "control+q");

    signInThroughWindow(*signIn);

    // The first signed-in launch opens the workspace on its settings page,
    // whose script finds the session the agent handed over and uses it.
    const auto workspace = agent().waitForWindow(kWorkspaceTitle, QSize(1280, 820));
    ASSERT_TRUE(workspace) << "no workspace window";
    EXPECT_FALSE(signInWindowVisible());
    ASSERT_TRUE(waitForRequest("GET /settings"));
    ASSERT_TRUE(waitForRequest("GET /api/account"));
    ASSERT_TRUE(waitForRequest("GET /api/installations"));
    EXPECT_EQ(requestCount("GET /api/account", 401), 0) << "the page had no valid session";
    // The report was accepted with the new session (what the server keeps of
    // it is the telemetry integration test's).
    ASSERT_TRUE(waitForRequest("POST /api/native-status"));
    processEventsFor(1); // let the page draw what it fetched
    screenshot("agent-workspace", workspace->geometry);

    // The signed-in setup ran once: a second run would have opened the main page.
    EXPECT_EQ(requestCount("GET /settings"), 1);
    EXPECT_EQ(requestCount("GET /app"), 0);

    // The user makes the workspace smaller; the agent remembers it.
    const std::string settingsBefore = settingsText();
    runProcess("xdotool", {"windowsize", workspace->id, "1000", "700"});
    ASSERT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700), 15));
    EXPECT_TRUE(eventually([&] { return settingsText() != settingsBefore; }, 15));

    // A recording shows the panel; the user drags it elsewhere.
    const auto shown = startRecording();
    ASSERT_TRUE(shown) << "no panel while recording";
    processEventsFor(0.5); // let it draw
    screenshot("agent-hud", shown->geometry);
    const QPoint dropped = shown->geometry.topLeft() + QPoint(-400, 250);
    const QPoint grab = shown->geometry.center();
    drag(grab, grab + (dropped - shown->geometry.topLeft()));
    ASSERT_TRUE(eventually(
        [&] {
            const auto moved = visibleHUD();
            return moved && moved->geometry.topLeft() == dropped;
        },
        15))
        << "the panel did not follow the drag";
    ASSERT_TRUE(eventually(
        [&] { return settingsText().find("RecordingHUDOrigin") != std::string::npos; }, 10));
    stopRecording();

    // The session outlives the agent (it is in the keyring): the next launch
    // goes straight to the main page, signed in, without the window, and
    // the workspace keeps its size.
    const int reports = requestCount("POST /api/native-status");
    stopAgent();
    startAgent(Launch::SignedOut);
    EXPECT_TRUE(waitForRequest("GET /app"));
    EXPECT_TRUE(waitForRequest("POST /api/native-status", 200, reports + 1));
    const auto reopened = agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700));
    ASSERT_TRUE(reopened);
    EXPECT_FALSE(signInWindowVisible());
    EXPECT_EQ(requestCount("GET /settings"), 1);
    EXPECT_EQ(requestCount("POST /api/native-auth/verify"), 1); // the window's only

    const auto again = startRecording();
    ASSERT_TRUE(again) << "no panel after the restart";
    EXPECT_EQ(again->geometry.topLeft(), dropped);
    stopRecording();

    // A plain launch while the workspace shows changes nothing; "Open
    // Orvendi" loads the main page in it.
    EXPECT_GT(rendererProcesses(), 0);
    const int notes = requestCount("GET /api/notes");
    launchAgain({});
    ASSERT_TRUE(clickTrayItem("Open Orvendi"));
    ASSERT_TRUE(waitForRequest("GET /app", 200, 2));
    ASSERT_TRUE(waitForRequest("GET /api/notes", 200, notes + 1)); // the page's
    EXPECT_EQ(requestCount("GET /app"), 2);
    EXPECT_EQ(requestCount("GET /settings"), 1);

    // With no window shown, a plain launch reopens the main page.
    closeWorkspace(*reopened);
    launchAgain({});
    EXPECT_TRUE(waitForRequest("GET /app", 200, 3));
    EXPECT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700)));

    // A permissions link the agent does not know leads to the settings page,
    // which is handed the session again; a link of another kind is ignored.
    const int accounts = requestCount("GET /api/account");
    closeWorkspace(*reopened);
    launchAgain({"orvendi://permissions/bogus"});
    EXPECT_TRUE(waitForRequest("GET /settings", 200, 2));
    EXPECT_TRUE(waitForRequest("GET /api/account", 200, accounts + 1));
    EXPECT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700)));
    launchAgain({"orvendi://elsewhere/settings"});
    // Requests reach the agent in order: the menu's page is the next one.
    ASSERT_TRUE(clickTrayItem("Settings & permissions…"));
    EXPECT_TRUE(waitForRequest("GET /settings", 200, 3));
    EXPECT_TRUE(waitForRequest("GET /api/account", 200, accounts + 2));
    EXPECT_EQ(requestCount("GET /settings"), 3);
    EXPECT_EQ(requestCount("GET /app"), 3);
    EXPECT_TRUE(agent().running());
}

} // namespace
} // namespace orvendi::test
