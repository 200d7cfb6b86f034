#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/linux/x11/XConnection.h"

namespace orvendi {

// The application windows on the X display as the user sees them: which one is
// active, which process owns a window, and how to bring one to the front.
// Follows the window manager's EWMH hints when a window manager runs and the
// X input focus otherwise (the root's hints are stale without one).
class DesktopWindows {
public:
    explicit DesktopWindows(XConnection& x);

    bool windowManagerRunning();
    // The client window that has the user's attention, if any.
    std::optional<Window> activeWindow();
    std::optional<int32_t> processOf(Window window);
    // The process's application windows, topmost first.
    std::vector<Window> windowsOf(int32_t processId);
    void activate(Window window);

private:
    std::optional<Window> focusedClientWindow();
    std::optional<Window> clientWindowWithin(Window topLevel);
    bool isClientWindow(Window window);
    std::vector<Window> clientWindowsBottomToTop();

    XConnection& x_;
};

} // namespace orvendi
