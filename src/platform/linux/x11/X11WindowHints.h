#pragma once

#include <QWindow>

namespace orvendi::X11WindowHints {

// Whether a compositing manager blends translucent windows on this screen.
// True when the display is not X11 (other platforms composite anyway).
bool hasCompositor();

// Whether an XEmbed system tray (a panel's notification area) runs.
bool hasSystemTray();

// Asks the window manager to show the window on every virtual desktop.
// Call before the window is first shown; does nothing off X11.
void setOnAllDesktops(WId window);

} // namespace orvendi::X11WindowHints
