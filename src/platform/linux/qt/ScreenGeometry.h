#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "base/Geometry.h"

namespace orvendi::ScreenGeometry {

// The agent measures the screen from the bottom-left corner of the primary
// screen with y growing upwards; Qt (and X11) from the top-left corner of the
// whole desktop with y growing downwards. `primary` is the primary screen's
// geometry in Qt's coordinates.

Rect toAgent(const QRect& qtRect, const QRect& primary);

// The agent's bottom-left origin of a window of `size` as Qt's top-left point.
QPoint toQtTopLeft(Point agentOrigin, const QSize& size, const QRect& primary);

// Qt's top-left point of a window of `size` as the agent's bottom-left origin.
Point toAgentOrigin(const QPoint& qtTopLeft, const QSize& size, const QRect& primary);

// A window frame (title bar included) moved, and shrunk where it is larger, to
// lie inside `area`, a screen's available area (Qt coordinates): a window must
// not open with its title bar out of reach. It is never made smaller than
// `minimum`; a frame that still does not fit keeps its top-left corner inside.
QRect fitInside(const QRect& frame, const QRect& area, const QSize& minimum);

} // namespace orvendi::ScreenGeometry
