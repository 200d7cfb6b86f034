#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/keys/DesktopSession.h"
#include "platform/linux/wayland/PortalDesktopDelivery.h"
#include "platform/linux/wayland/SwayPasteKeystroke.h"
#include "platform/linux/wayland/SwayWorkspace.h"
#include "platform/linux/wayland/TerminationSignals.h"
#include "platform/linux/wayland/WaylandKeyEvents.h"
#include "platform/linux/wayland/WaylandPasteboard.h"
#include "platform/linux/wayland/WaylandPrivacy.h"

namespace orvendi {

class Files;
class Log;
class Scheduler;
class X11DesktopServices;

// What a Wayland session changes in the agent's desktop services: the
// dictation key and the input-monitoring probe, and the focused application,
// the clipboard and the paste keystroke, so that text reaches native Wayland
// windows (from sway's IPC on sway, from AT-SPI, the portal and the wlroots
// protocols elsewhere). Everything else stays on the XWayland services it is
// given. Logs once what the session offers.
class WaylandDesktopServices {
public:
    // `dictationKey`: the configuration's "dictation_key" (an XKB keysym name).
    WaylandDesktopServices(const DesktopSession& session,
                           const std::optional<std::string>& dictationKey,
                           X11DesktopServices& xwayland, const Files& files, Scheduler& scheduler,
                           Log& log);

    // The session's own, or the XWayland ones where it has no way to native windows.
    Workspace& workspace();
    Pasteboard& pasteboard();

    WaylandKeyEvents keyEvents;
    WaylandPrivacy privacy;

private:
    void setUpSwayDelivery(const DesktopSession& session, Log& log);
    bool postPasteKeystroke();

    X11DesktopServices& xwayland_;
    std::unique_ptr<SwayWorkspace> swayWorkspace_;
    std::unique_ptr<WaylandPasteboard> swayPasteboard_;
    std::unique_ptr<SwayPasteKeystroke> swayPasteKeystroke_;
    std::unique_ptr<PortalDesktopDelivery> portalDelivery_;
    TerminationSignals terminationSignals_;
};

} // namespace orvendi
