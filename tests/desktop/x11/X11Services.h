#pragma once

#include <optional>
#include <string>

#include "platform/linux/desktop/AtspiAccessibility.h"
#include "platform/linux/desktop/DesktopWindows.h"
#include "platform/linux/desktop/LinuxPrivacy.h"
#include "platform/linux/desktop/QtPasteboard.h"
#include "platform/linux/desktop/TerminalDetector.h"
#include "platform/linux/desktop/X11KeyEvents.h"
#include "platform/linux/desktop/X11Workspace.h"

namespace orvendi::test {

// The X11 platform services wired as the agent wires them.
struct X11Services {
    explicit X11Services(const std::optional<std::string>& dictationKey = std::nullopt,
                         MicrophoneAuthorization microphone = MicrophoneAuthorization::Authorized);

    XConnection x;
    DesktopWindows windows{x};
    AtspiAccessibility accessibility;
    TerminalDetector terminals{x, windows, accessibility};
    X11KeyEvents keyEvents;
    X11Workspace workspace;
    QtPasteboard pasteboard;
    LinuxPrivacy privacy;
};

// The text an element shows (bullets for a password field).
std::string textOf(const AccessibleElement& element);

// Sets org.a11y.Status.IsEnabled on the session's accessibility bus launcher.
void setAccessibilityEnabled(bool enabled);

} // namespace orvendi::test
