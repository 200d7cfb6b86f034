#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"
#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

// Later `orvendi` launches while the agent runs (the launcher, an "orvendi:"
// link opened anywhere): they hand over to the running agent and exit.
class LaunchAgainTest : public AgentFixture {
protected:
    bool recognisesSpeech() const override { return false; }
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
};

TEST_F(LaunchAgainTest, ReopensTheWorkspaceAndFollowsLinksToTheSettings) {
    startAgent(Launch::SignedIn);
    const auto workspace = agent().waitForWindow(kWorkspaceTitle, QSize(1280, 820));
    ASSERT_TRUE(workspace);
    ASSERT_TRUE(waitForRequest("GET /settings"));
    ASSERT_TRUE(waitForRequest("GET /api/account"));
    EXPECT_GT(rendererProcesses(), 0);

    // A plain launch while the workspace shows changes nothing; "Open
    // Orvendi" loads the main page in it.
    launchAgain({});
    ASSERT_TRUE(clickTrayItem("Open Orvendi"));
    ASSERT_TRUE(waitForRequest("GET /app"));
    ASSERT_TRUE(waitForRequest("GET /api/notes", 200, 2)); // the vault's, then the page's
    EXPECT_EQ(requestCount("GET /app"), 1);
    EXPECT_EQ(requestCount("GET /settings"), 1);

    // With no window shown, a plain launch reopens the main page.
    closeWorkspace(*workspace);
    launchAgain({});
    EXPECT_TRUE(waitForRequest("GET /app", 200, 2));
    EXPECT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1280, 820)));

    // A permissions link the agent does not know leads to the settings page,
    // which is handed the session again; a link of another kind is ignored.
    closeWorkspace(*workspace);
    launchAgain({"orvendi://permissions/bogus"});
    EXPECT_TRUE(waitForRequest("GET /settings", 200, 2));
    EXPECT_TRUE(waitForRequest("GET /api/account", 200, 2));
    EXPECT_TRUE(agent().waitForWindow(kWorkspaceTitle, QSize(1280, 820)));
    launchAgain({"orvendi://elsewhere/settings"});
    // Requests reach the agent in order: the menu's page is the next one.
    ASSERT_TRUE(clickTrayItem("Settings & permissions…"));
    EXPECT_TRUE(waitForRequest("GET /settings", 200, 3));
    EXPECT_TRUE(waitForRequest("GET /api/account", 200, 3));
    EXPECT_EQ(requestCount("GET /settings"), 3);
    EXPECT_EQ(requestCount("GET /app"), 2);
    EXPECT_TRUE(agent().running());
}

} // namespace
} // namespace orvendi::test
