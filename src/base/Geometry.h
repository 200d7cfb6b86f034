#pragma once

namespace orvendi {

// Screen geometry in the agent's coordinates: points, origin at the bottom-left
// of the primary screen, y growing upwards.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;
    double left() const { return origin.x; }
    double bottom() const { return origin.y; }
    double right() const { return origin.x + size.width; }
    double top() const { return origin.y + size.height; }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
    bool operator==(const Rect&) const = default;
};

} // namespace orvendi
