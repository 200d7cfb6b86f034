#pragma once

#include "platform/Screens.h"

namespace orvendi {

// The screens as Qt knows them (XRandR outputs), primary first; visible
// frames are their work areas (less panels and docks) in the agent's
// bottom-left, y-up coordinates.
class QtScreens : public Screens {
public:
    std::vector<Rect> visibleFrames() const override;
    // The screen of the active window, else the primary screen.
    std::optional<Rect> mainScreenVisibleFrame() const override;
};

} // namespace orvendi
