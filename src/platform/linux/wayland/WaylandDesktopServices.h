#pragma once

#include <optional>
#include <string>

#include "platform/linux/keys/DesktopSession.h"
#include "platform/linux/wayland/TerminationSignals.h"
#include "platform/linux/wayland/WaylandKeyEvents.h"
#include "platform/linux/wayland/WaylandPrivacy.h"

namespace orvendi {

class Log;
class Scheduler;
class X11DesktopServices;

// What a Wayland session changes in the agent's desktop services: the
// dictation key and the input-monitoring probe. Everything else stays on the
// XWayland services it is given. Logs once what the session offers.
class WaylandDesktopServices {
public:
    // `dictationKey`: the configuration's "dictation_key" (an XKB keysym name).
    WaylandDesktopServices(const DesktopSession& session,
                           const std::optional<std::string>& dictationKey,
                           X11DesktopServices& xwayland, Scheduler& scheduler, Log& log);

    WaylandKeyEvents keyEvents;
    WaylandPrivacy privacy;

private:
    TerminationSignals terminationSignals_;
};

} // namespace orvendi
