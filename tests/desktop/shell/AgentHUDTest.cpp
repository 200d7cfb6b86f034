#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/SettingsDefaults.h"
#include "platform/linux/desktop/QtHUDPanel.h"
#include "platform/linux/desktop/QtScheduler.h"
#include "platform/linux/desktop/QtWindows.h"
#include "support/TempDir.h"
#include "ui/ScreenAwareHUD.h"

namespace orvendi::test {
namespace {

QtHUDPanel* shownPanel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* panel = qobject_cast<QtHUDPanel*>(widget); panel && panel->isVisible()) {
            return panel;
        }
    }
    return nullptr;
}

bool exposed(QtHUDPanel* panel) {
    return panel && panel->windowHandle() && panel->windowHandle()->isExposed();
}

// The agent's HUD behaviour on the real panel: first shown at the top-right
// corner of the screen, it stays where the user drags it, also in the next
// run of the agent.
TEST(AgentHUD, AppearsTopRightAndRemembersWhereItWasDragged) {
    TempDir folder;
    SettingsDefaults defaults((folder.path() / "Orvendi.conf").string());
    QtScheduler scheduler;
    QtWindows windows(defaults);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QPoint dropped;
    {
        ScreenAwareHUD hud(windows, defaults, scheduler);
        hud.show("Listening", "waveform");
        QtHUDPanel* panel = nullptr;
        ASSERT_TRUE(processEventsUntil([&] { return exposed(panel = shownPanel()); }));
        processEventsFor(0.2);
        EXPECT_EQ(panel->frameGeometry().topLeft(),
                  QPoint(work.right() + 1 - 210 - 16, work.top() + 12));
        EXPECT_FALSE(defaults.string(ScreenAwareHUD::kPositionKey).has_value());
        saveScreenshot("hud-top-right", QRect(work.right() - 300, work.top(), 301, 100));

        const QPoint start = panel->frameGeometry().topLeft();
        const QPoint grab = start + QPoint(100, 20);
        runProcess("xdotool", {"mousemove", QString::number(grab.x()), QString::number(grab.y())});
        runProcess("xdotool", {"mousedown", "1"});
        runProcess("xdotool",
                   {"mousemove", QString::number(grab.x() - 300), QString::number(grab.y() + 200)});
        runProcess("xdotool", {"mouseup", "1"});
        dropped = start + QPoint(-300, 200);
        ASSERT_TRUE(
            processEventsUntil([&] { return panel->frameGeometry().topLeft() == dropped; }, 5));
        const Point stored = panel->origin();
        EXPECT_EQ(defaults.string(ScreenAwareHUD::kPositionKey),
                  "{" + std::to_string(static_cast<int>(stored.x)) + ", " +
                      std::to_string(static_cast<int>(stored.y)) + "}");

        hud.hide(0.3);
        ASSERT_TRUE(processEventsUntil([&] { return shownPanel() == nullptr; }, 3));
    }
    processEventsFor(0.1);

    ScreenAwareHUD nextRun(windows, defaults, scheduler);
    nextRun.show("Turning speech into text", "ellipsis");
    QtHUDPanel* panel = nullptr;
    ASSERT_TRUE(processEventsUntil([&] { return exposed(panel = shownPanel()); }));
    processEventsFor(0.2);
    EXPECT_EQ(panel->frameGeometry().topLeft(), dropped);
}

} // namespace
} // namespace orvendi::test
