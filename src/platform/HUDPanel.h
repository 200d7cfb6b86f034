#pragma once

#include <functional>
#include <string>

#include "base/Geometry.h"
#include "platform/StatusItem.h"

namespace orvendi {

// The floating status panel: never takes focus, draggable. Its origin is its
// bottom-left corner in the agent's coordinates (Geometry.h); the view converts.
class HUDPanel {
public:
    virtual ~HUDPanel() = default;
    virtual Size size() const = 0;
    virtual Point origin() const = 0;
    virtual void setOrigin(Point origin) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void setSymbol(const std::string& symbol, const std::string& accessibilityText) = 0;
    virtual void setSymbolTint(Tint tint) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    // Called on the main thread after every move of the panel, dragged or placed
    // by setOrigin, at the time of the move: a move while hidden is reported
    // while the panel is still hidden.
    virtual void setMoveHandler(std::function<void()> handler) = 0;
};

} // namespace orvendi
