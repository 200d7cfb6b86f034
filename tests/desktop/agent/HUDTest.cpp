#include <gtest/gtest.h>

#include "desktop/support/AgentFixture.h"
#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

// The agent's floating status panel, shown by a recording started from the
// tray (the session's virtual microphone hears a quiet room).
class HUDTest : public AgentFixture {
protected:
    static constexpr int kWidth = 210;
    static constexpr int kHeight = 48;

    std::optional<AgentWindow> waitForHUD() {
        return agent().waitForWindow(kWorkspaceTitle, QSize(kWidth, kHeight));
    }

    // The panel if it is up now.
    std::optional<AgentWindow> visibleHUD() {
        for (const auto& window : agent().visibleWindows()) {
            if (window.geometry.size() == QSize(kWidth, kHeight)) {
                return window;
            }
        }
        return std::nullopt;
    }

    // Starts a recording from the tray; the panel shows it.
    std::optional<AgentWindow> startRecording() {
        waitForTrayMenu();
        EXPECT_TRUE(clickTrayItem("Start recording"));
        return waitForHUD();
    }

    // Stops it; with nothing said the panel reports unusable audio and hides.
    void stopRecording() {
        ASSERT_TRUE(eventually([&] { return trayItem("Stop & transcribe").has_value(); }))
            << "the menu never offered to stop";
        ASSERT_TRUE(clickTrayItem("Stop & transcribe"));
        ASSERT_TRUE(eventually([&] { return !visibleHUD(); }, 60)) << "the panel stayed up";
    }

    // The agent's settings hold the panel's remembered origin.
    bool originStored() { return settingsText().find("RecordingHUDOrigin") != std::string::npos; }

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
};

TEST_F(HUDTest, KeepsWhereItWasDraggedAcrossARestart) {
    startAgent(Launch::SignedIn);
    const auto shown = startRecording();
    ASSERT_TRUE(shown) << "no panel while recording";
    processEventsFor(0.5); // let it draw
    screenshot("agent-hud", shown->geometry);

    const QPoint dropped = shown->geometry.topLeft() + QPoint(-400, 250);
    const QPoint grab = shown->geometry.topLeft() + QPoint(kWidth / 2, kHeight / 2);
    drag(grab, grab + (dropped - shown->geometry.topLeft()));
    ASSERT_TRUE(eventually(
        [&] {
            const auto moved = visibleHUD();
            return moved && moved->geometry.topLeft() == dropped;
        },
        15))
        << "the panel did not follow the drag";
    ASSERT_TRUE(eventually([&] { return originStored(); }, 10));
    stopRecording();

    stopAgent();
    startAgent(Launch::SignedIn);
    const auto again = startRecording();
    ASSERT_TRUE(again) << "no panel after the restart";
    EXPECT_EQ(again->geometry.topLeft(), dropped);
    stopRecording();
}

} // namespace
} // namespace orvendi::test
