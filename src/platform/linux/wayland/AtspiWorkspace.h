#pragma once

#include "platform/Workspace.h"

namespace orvendi {

class AtspiAccessibility;

// Applications on a Wayland desktop that tells other programs nothing of its
// native windows (GNOME, KDE): the frontmost one is the application whose
// element has the keyboard focus, as AT-SPI reports it, and one is brought
// back by giving the focus to the element where its user was typing, or else
// to its window; GTK and Qt then ask the compositor to activate the window,
// which it may decline. XWayland windows of applications AT-SPI does not see
// (xterm) are found and activated as on X11; links go through XWayland too.
class AtspiWorkspace : public Workspace {
public:
    AtspiWorkspace(AtspiAccessibility& accessibility, Workspace& xwayland);

    bool openURL(const std::string& url) override { return xwayland_.openURL(url); }
    std::optional<int32_t> frontmostProcessId() override;
    bool activateProcess(int32_t processId) override;

private:
    AtspiAccessibility& accessibility_;
    Workspace& xwayland_;
};

} // namespace orvendi
