#include <gtest/gtest.h>

#include "platform/linux/qt/ScreenGeometry.h"

namespace orvendi::test {
namespace {

struct Case {
    const char* what;
    QRect primary;
    QPoint qtTopLeft;
    QSize size;
    Point agentOrigin;
};

// The agent's origin is the window's bottom-left corner measured from the
// primary screen's bottom-left corner, y upwards.
const Case kCases[] = {
    {"top-left corner of the primary screen", {0, 0, 1920, 1080}, {0, 0}, {210, 48}, {0, 1032}},
    {"bottom-left corner of the primary screen", {0, 0, 1920, 1080}, {0, 1032}, {210, 48}, {0, 0}},
    {"top-right, 16 in and 12 down", {0, 0, 1920, 1080}, {1694, 12}, {210, 48}, {1694, 1020}},
    {"on a screen right of the primary", {0, 0, 1920, 1080}, {2000, 100}, {210, 48}, {2000, 932}},
    {"on a taller screen left of the primary (negative x, below y = 0)",
     {1280, 0, 1920, 1080},
     {100, 1200},
     {210, 48},
     {-1180, -168}},
    {"primary below another screen", {0, 1024, 1920, 1080}, {300, 200}, {210, 48}, {300, 1856}},
};

TEST(ScreenGeometry, ConvertsBetweenQtTopLeftAndTheAgentsBottomLeftBothWays) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ScreenGeometry::toAgentOrigin(c.qtTopLeft, c.size, c.primary), c.agentOrigin);
        EXPECT_EQ(ScreenGeometry::toQtTopLeft(c.agentOrigin, c.size, c.primary), c.qtTopLeft);
    }
}

TEST(ScreenGeometry, WorkAreaOfAScreenBecomesTheAgentsVisibleFrame) {
    // A panel of 30 pixels at the top of a 1920x1080 primary screen.
    const Rect frame = ScreenGeometry::toAgent(QRect(0, 30, 1920, 1050), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(frame, (Rect{{0, 0}, {1920, 1050}}));
    EXPECT_EQ(frame.top(), 1050);
    // A second screen above the primary one.
    const Rect above = ScreenGeometry::toAgent(QRect(0, -768, 1366, 768), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(above, (Rect{{0, 1080}, {1366, 768}}));
}

} // namespace
} // namespace orvendi::test
