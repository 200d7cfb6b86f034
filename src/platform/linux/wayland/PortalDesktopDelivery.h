#pragma once

#include <memory>

#include "platform/linux/wayland/AtspiWorkspace.h"
#include "platform/linux/wayland/PortalPasteKeystroke.h"
#include "platform/linux/wayland/WaylandPasteboard.h"

namespace orvendi {

class Files;
class Log;
class X11DesktopServices;
struct DesktopSession;

// Text into native windows on a Wayland desktop other than sway (GNOME, KDE,
// Hyprland and other wlroots compositors): the focused application from
// AT-SPI, the clipboard through XWayland on GNOME (it bridges X11 selections)
// and through data-control elsewhere, and the paste keystroke from the keyboard
// the desktop's RemoteDesktop portal lends, or where the portal lends none,
// from the compositor's virtual keyboard. The portal's session is asked for at
// once, so the user answers the desktop when the agent starts rather than in
// the middle of a dictation.
class PortalDesktopDelivery {
public:
    // `remoteDesktopVersion`: the portal's RemoteDesktop version, 0 without one.
    PortalDesktopDelivery(const DesktopSession& session, unsigned remoteDesktopVersion,
                          const Files& files, X11DesktopServices& xwayland, Log& log);

    Workspace& workspace() { return workspace_; }
    Pasteboard& pasteboard();
    bool postPasteKeystroke() { return keystroke_.post(); }

private:
    static std::unique_ptr<SessionKeyboard> openKeyboard(unsigned remoteDesktopVersion,
                                                         const Files& files, Log& log);
    PortalPasteKeystroke::Focus focus();

    X11DesktopServices& xwayland_;
    AtspiWorkspace workspace_;
    std::unique_ptr<WaylandPasteboard> waylandPasteboard_;
    PortalPasteKeystroke keystroke_;
};

} // namespace orvendi
