#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvendi::sway_ipc {

// The window that has sway's focus, as its GET_TREE reply describes it.
struct FocusedWindow {
    int32_t processId = 0;
    // Run through XWayland (an X11 client) rather than as a native Wayland one.
    bool xwayland = false;
    // The names that tell the application: a native window's app_id, an X11
    // window's WM_CLASS class and instance.
    std::vector<std::string> classNames;
};

// The focused window of a GET_TREE reply; none when the focus is on an empty
// workspace or the reply is unreadable.
std::optional<FocusedWindow> focusedWindow(const std::string& tree);

// The RUN_COMMAND payload that focuses the window of a process.
std::string focusCommand(int32_t processId);

} // namespace orvendi::sway_ipc
