#include <gtest/gtest.h>

#include "platform/linux/qt/ScreenGeometry.h"

namespace orvendi::test {
namespace {

// One case: every desktop case starts a session of its own.
TEST(ScreenGeometry, ConvertsBetweenQtAndTheAgentsCoordinatesAndKeepsWindowsOnScreen) {
    // The agent's origin is the window's bottom-left corner measured from the
    // primary screen's bottom-left corner, y upwards.
    const QSize hud(210, 48);
    const struct {
        const char* what;
        QRect primary;
        QPoint qtTopLeft;
        Point agentOrigin;
    } conversions[] = {
        {"top-left corner of the primary screen", {0, 0, 1920, 1080}, {0, 0}, {0, 1032}},
        {"bottom-left corner of the primary screen", {0, 0, 1920, 1080}, {0, 1032}, {0, 0}},
        {"top-right, 16 in and 12 down", {0, 0, 1920, 1080}, {1694, 12}, {1694, 1020}},
        {"on a screen right of the primary", {0, 0, 1920, 1080}, {2000, 100}, {2000, 932}},
        {"on a taller screen left of the primary (negative x, below y = 0)",
         {1280, 0, 1920, 1080},
         {100, 1200},
         {-1180, -168}},
        {"primary below another screen", {0, 1024, 1920, 1080}, {300, 200}, {300, 1856}},
    };
    for (const auto& c : conversions) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ScreenGeometry::toAgentOrigin(c.qtTopLeft, hud, c.primary), c.agentOrigin);
        EXPECT_EQ(ScreenGeometry::toQtTopLeft(c.agentOrigin, hud, c.primary), c.qtTopLeft);
    }

    // A screen's work area becomes the agent's visible frame: a panel of 30
    // pixels at the top of the primary screen, and a second screen above it.
    const QRect primary(0, 0, 1920, 1080);
    const Rect frame = ScreenGeometry::toAgent(QRect(0, 30, 1920, 1050), primary);
    EXPECT_EQ(frame, (Rect{{0, 0}, {1920, 1050}}));
    EXPECT_EQ(frame.top(), 1050);
    EXPECT_EQ(ScreenGeometry::toAgent(QRect(0, -768, 1366, 768), primary),
              (Rect{{0, 1080}, {1366, 768}}));

    // Windows are kept inside 1280x800 with a 24-pixel panel at the top, and
    // are at least 900x620.
    const QRect area(0, 24, 1280, 776);
    const QSize minimum(900, 620);
    const struct {
        const char* what;
        QRect frame;
        QRect fitted;
    } fits[] = {
        {"inside already", {100, 100, 1000, 650}, {100, 100, 1000, 650}},
        {"centred but taller than the area, title bar above it",
         {0, -10, 1280, 845},
         {0, 24, 1280, 776}},
        {"hanging over the bottom-right corner", {800, 600, 1000, 650}, {280, 150, 1000, 650}},
        {"left of the screen", {-300, 100, 1000, 650}, {0, 100, 1000, 650}},
        {"larger than the area both ways", {0, 0, 2000, 2000}, {0, 24, 1280, 776}},
    };
    for (const auto& fit : fits) {
        SCOPED_TRACE(fit.what);
        EXPECT_EQ(ScreenGeometry::fitInside(fit.frame, area, minimum), fit.fitted);
    }
    // A screen smaller than the minimum: the top-left corner stays reachable.
    EXPECT_EQ(ScreenGeometry::fitInside({-50, -50, 1280, 845}, {0, 0, 800, 600}, minimum),
              QRect(0, 0, 900, 620));
}

} // namespace
} // namespace orvendi::test
