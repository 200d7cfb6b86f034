#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/linux/wayland/SwayWorkspace.h"
#include "platform/linux/wayland/VirtualKeyboard.h"

namespace orvendi {

// The paste keystroke on sway, chosen for the window that has the focus: an
// XWayland window gets the X11 keystroke (XTest) as on an X11 desktop; a
// native window gets it from the agent's virtual keyboard: Control+V, or for
// terminals Shift+Insert after the clipboard's text went onto the primary
// selection (Control+V types a control character there).
class SwayPasteKeystroke {
public:
    // Whether the focused element of a process is a terminal widget.
    using FocusIsTerminal = std::function<bool(int32_t processId)>;

    SwayPasteKeystroke(SwayWorkspace& workspace, Pasteboard& pasteboard,
                       std::unique_ptr<VirtualKeyboard> keyboard, KeyEvents& xwayland,
                       FocusIsTerminal focusIsTerminal);

    // False when no keystroke went out: nothing has the focus, or the
    // compositor offers no virtual keyboard for a native window.
    bool post();

private:
    bool isTerminal(const sway_ipc::FocusedWindow& window) const;

    SwayWorkspace& workspace_;
    Pasteboard& pasteboard_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    KeyEvents& xwayland_;
    FocusIsTerminal focusIsTerminal_;
};

} // namespace orvendi
