#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"

namespace orvendi::test {
namespace {

// The agent started for the first time: no session kept, no credentials.
class FirstLaunchTest : public AgentFixture {};

// Window managers place a centred window's frame, not its client area; the
// title bar may shift it by this much.
constexpr int kFrameAllowance = 40;

TEST_F(FirstLaunchTest, ShowsTheSignInWindowCentredAndTheSignedOutTrayMenu) {
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
    EXPECT_EQ(requestCount("GET /settings") + requestCount("GET /app"), 0);

    // The menu the unit tests describe item by item reaches the panel whole,
    // its key equivalent included.
    const auto menu = waitForTrayMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->children.size(), 8u);
    EXPECT_EQ(menu->children.back().shortcut.toLower().toStdString(), "control+q");
}

} // namespace
} // namespace orvendi::test
