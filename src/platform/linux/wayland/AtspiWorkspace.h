#pragma once

#include "platform/Workspace.h"

namespace orvendi {

class AtspiAccessibility;

// Applications on a Wayland desktop that tells other programs nothing of its
// windows (GNOME, KDE): the frontmost one is the application whose element
// has the keyboard focus, as AT-SPI reports it, and one is brought back by
// giving the focus to the element where its user was typing, or else to its
// window; GTK and Qt then ask the compositor to activate the window, which it
// may decline. Links go through the XWayland workspace.
class AtspiWorkspace : public Workspace {
public:
    AtspiWorkspace(AtspiAccessibility& accessibility, Workspace& links);

    bool openURL(const std::string& url) override { return links_.openURL(url); }
    std::optional<int32_t> frontmostProcessId() override;
    bool activateProcess(int32_t processId) override;

private:
    AtspiAccessibility& accessibility_;
    Workspace& links_;
};

} // namespace orvendi
