#pragma once

#include <string>

#include "platform/linux/desktop/AtspiAccessibility.h"
#include "platform/linux/desktop/DesktopWindows.h"

namespace orvendi {

// Tells whether the window the user types into is a terminal, which does not
// paste on Control-V: by the window's class, or by the AT-SPI role of its
// focused element for terminals that are widgets inside other applications.
class TerminalDetector {
public:
    TerminalDetector(XConnection& x, DesktopWindows& windows, AtspiAccessibility& accessibility);

    bool activeWindowIsTerminal();

    // Matches a WM_CLASS name (instance or class) of a known terminal emulator.
    static bool isTerminalClass(const std::string& name);

private:
    XConnection& x_;
    DesktopWindows& windows_;
    AtspiAccessibility& accessibility_;
};

} // namespace orvendi
