#pragma once

#include <optional>
#include <string>

#include "platform/linux/X11DesktopServices.h"
#include "platform/linux/qt/QtPasteboard.h"
#include "platform/linux/qt/QtScheduler.h"

namespace orvendi::test {

struct X11ServicesClock { // made before the services that stamp key events on it
    QtScheduler scheduler;
};

// The X11 services as the agent wires them. Permission pages only reach the
// recorded launcher, never the session's desktop.
struct X11Services : X11ServicesClock, X11DesktopServices {
    explicit X11Services(const std::optional<std::string>& dictationKey = std::nullopt,
                         MicrophoneAuthorization microphone = MicrophoneAuthorization::Authorized);
};

// The text an element shows (bullets for a password field).
std::string textOf(const AccessibleElement& element);

// Sets org.a11y.Status.IsEnabled on the session's accessibility bus launcher.
void setAccessibilityEnabled(bool enabled);

} // namespace orvendi::test
