#pragma once

#include <functional>
#include <memory>

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/linux/wayland/SessionKeyboard.h"

namespace orvendi {

// The paste keystroke on a Wayland desktop other than sway, chosen for the
// window that has the focus: an XWayland window gets the X11 keystroke (XTest)
// as on an X11 desktop; a native window gets it from the session keyboard (the
// one the portal lends on GNOME and KDE, the compositor's virtual keyboard on
// other wlroots compositors): Control+V, or for terminals Shift+Insert
// after the clipboard's text went onto the primary selection (Control+V types
// a control character there).
class PortalPasteKeystroke {
public:
    enum class Focus { Nothing, XWayland, NativeTerminal, Native };
    // What kind of window has the focus now.
    using FocusedWindow = std::function<Focus()>;

    // `keyboard`: null where the session has none for the agent.
    PortalPasteKeystroke(std::unique_ptr<SessionKeyboard> keyboard, Pasteboard& pasteboard,
                         KeyEvents& xwayland, FocusedWindow focusedWindow);

    // False when no keystroke went out: nothing has the focus, or there is no
    // keyboard ready for a native window (the user refused the portal's, or has
    // not answered yet, or ended the session; the compositor offers none).
    bool post();
    bool hasKeyboard() const { return keyboard_ != nullptr; }

private:
    std::unique_ptr<SessionKeyboard> keyboard_;
    Pasteboard& pasteboard_;
    KeyEvents& xwayland_;
    FocusedWindow focusedWindow_;
};

} // namespace orvendi
