#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"
#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

// Signing in through the agent's window, and what follows: the signed-in
// setup, the workspace with the session, and the next launch.
class AgentSignInTest : public AgentFixture {
protected:
    static constexpr const char* kEmail = "reader@example.com";

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

    bool signInWindowVisible() {
        const auto windows = agent().visibleWindows();
        return std::any_of(windows.begin(), windows.end(),
                           [](const AgentWindow& window) { return window.title == kSignInTitle; });
    }
};

// Window managers place a centred window's frame, not its client area; the
// title bar may shift it by this much.
constexpr int kFrameAllowance = 40;

// From the first launch, signed out, to the next launch after signing in.
TEST_F(AgentSignInTest, CodeSignInOpensTheSettingsWithTheSessionAndTheNextLaunchKeepsIt) {
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
    ASSERT_TRUE(waitForRequest("POST /api/native-status"));
    processEventsFor(1); // let the page draw what it fetched
    screenshot("agent-workspace", workspace->geometry);

    // The installation report reached the account that signed in.
    const std::string token = signInThroughApi(kEmail);
    const auto installations = apiGet("/api/installations", token)["installations"];
    ASSERT_EQ(installations.size(), 1u) << installations.dump();
    EXPECT_EQ(installations[0]["platform"], "linux");
    EXPECT_TRUE(installations[0]["permissions"].is_object()) << installations.dump();

    // The signed-in setup ran once: a second run would have opened the main page.
    EXPECT_EQ(requestCount("GET /settings"), 1);
    EXPECT_EQ(requestCount("GET /app"), 0);

    // The user makes the workspace smaller; the agent remembers it.
    const std::string settingsBefore = settingsText();
    runProcess("xdotool", {"windowsize", workspace->id, "1000", "700"});
    ASSERT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700), 15));
    EXPECT_TRUE(eventually([&] { return settingsText() != settingsBefore; }, 15));

    // The session outlives the agent (it is in the keyring): the next launch
    // goes straight to the main page, signed in, without the window, and
    // the workspace keeps its size.
    const int reports = requestCount("POST /api/native-status");
    stopAgent();
    startAgent(Launch::SignedOut);
    EXPECT_TRUE(waitForRequest("GET /app"));
    EXPECT_TRUE(waitForRequest("POST /api/native-status", 200, reports + 1));
    EXPECT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1000, 700)));
    EXPECT_FALSE(signInWindowVisible());
    EXPECT_EQ(requestCount("GET /settings"), 1);
    EXPECT_EQ(requestCount("POST /api/native-auth/verify"), 2); // the window's and the API's
}

} // namespace
} // namespace orvendi::test
