#pragma once

#include <cstdint>
#include <functional>

#include "platform/linux/x11/DesktopWindows.h"

namespace orvendi {

// Tells whether the window the user types into is a terminal, which does not
// paste on Control-V: by the window's class, or by the AT-SPI role of its
// focused element for terminals that are widgets inside other applications.
class TerminalDetector {
public:
    // Whether the focused element of a process is a terminal widget (AT-SPI
    // knows; X11 does not).
    using FocusIsTerminal = std::function<bool(int32_t processId)>;

    TerminalDetector(XConnection& x, DesktopWindows& windows, FocusIsTerminal focusIsTerminal);

    bool activeWindowIsTerminal();

private:
    XConnection& x_;
    DesktopWindows& windows_;
    FocusIsTerminal focusIsTerminal_;
};

} // namespace orvendi
