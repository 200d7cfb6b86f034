#pragma once

#include <optional>
#include <vector>

#include "base/Geometry.h"

namespace orvendi {

// The screens, in the platform's order (the first holds the menu bar).
class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<Rect> visibleFrames() const = 0;
    virtual std::optional<Rect> mainScreenVisibleFrame() const = 0;
};

} // namespace orvendi
