#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/qt/QtPasteboard.h"
#include "platform/linux/x11/DesktopWindows.h"
#include "platform/linux/x11/LinuxPrivacy.h"
#include "platform/linux/x11/TerminalDetector.h"
#include "platform/linux/x11/X11KeyEvents.h"
#include "platform/linux/x11/X11Workspace.h"

namespace orvendi {

// The agent's key events, clipboard, workspace, accessibility and permission
// probes on an X11 desktop, wired to one shared X connection. Create it on the main thread
// after the Qt application object; it must outlive everything that uses it.
class X11DesktopServices {
public:
    // `dictationKey`: the configuration's "dictation_key". `microphone`: the
    // sound server's probe. `workspaceSettingsURL`: the workspace's settings
    // page, shown for permission pages the desktop has no program for.
    // `scheduler`: the clock the key events are stamped on. Throws
    // PlatformError when the X display cannot be opened.
    X11DesktopServices(Scheduler& scheduler, const std::optional<std::string>& dictationKey,
                       std::function<MicrophoneAuthorization()> microphone,
                       std::function<std::string()> workspaceSettingsURL,
                       X11Workspace::Launcher launcher = X11Workspace::Launcher::desktop());

    XConnection x;
    DesktopWindows windows{x};
    AtspiAccessibility accessibility;
    TerminalDetector terminals;
    QtPasteboard pasteboard;
    X11KeyEvents keyEvents;
    X11Workspace workspace;
    LinuxPrivacy privacy;
};

} // namespace orvendi
