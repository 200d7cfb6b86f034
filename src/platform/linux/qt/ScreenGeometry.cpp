#include "platform/linux/qt/ScreenGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvendi::ScreenGeometry {
namespace {

// Qt's bottom edge of the primary screen: the agent's y = 0.
double primaryBottom(const QRect& primary) {
    return primary.y() + primary.height();
}

} // namespace

Rect toAgent(const QRect& qtRect, const QRect& primary) {
    return Rect{toAgentOrigin(qtRect.topLeft(), qtRect.size(), primary),
                Size{static_cast<double>(qtRect.width()), static_cast<double>(qtRect.height())}};
}

QPoint toQtTopLeft(Point agentOrigin, const QSize& size, const QRect& primary) {
    const double x = agentOrigin.x + primary.x();
    const double y = primaryBottom(primary) - agentOrigin.y - size.height();
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

Point toAgentOrigin(const QPoint& qtTopLeft, const QSize& size, const QRect& primary) {
    return Point{static_cast<double>(qtTopLeft.x() - primary.x()),
                 primaryBottom(primary) - qtTopLeft.y() - size.height()};
}

QRect fitInside(const QRect& frame, const QRect& area, const QSize& minimum) {
    const QSize size = frame.size().boundedTo(area.size()).expandedTo(minimum);
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

} // namespace orvendi::ScreenGeometry
