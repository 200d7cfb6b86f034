#pragma once

#include <functional>
#include <memory>

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/linux/wayland/PortalKeyboard.h"

namespace orvendi {

// The paste keystroke on a Wayland desktop that lends keyboards through its
// portal (GNOME, KDE), chosen for the window that has the focus: an XWayland
// window gets the X11 keystroke (XTest) as on an X11 desktop; a native window
// gets it from the portal's keyboard: Control+V, or for terminals Shift+Insert
// after the clipboard's text went onto the primary selection (Control+V types
// a control character there).
class PortalPasteKeystroke {
public:
    enum class Focus { Nothing, XWayland, NativeTerminal, Native };
    // What kind of window has the focus now.
    using FocusedWindow = std::function<Focus()>;

    // `keyboard`: null where the desktop's portal lends none.
    PortalPasteKeystroke(std::unique_ptr<PortalKeyboard> keyboard, Pasteboard& pasteboard,
                         KeyEvents& xwayland, FocusedWindow focusedWindow);

    // False when no keystroke went out: nothing has the focus, or the portal
    // has no keyboard for a native window (the user refused it, or has not
    // answered yet, or ended the session).
    bool post();

private:
    std::unique_ptr<PortalKeyboard> keyboard_;
    Pasteboard& pasteboard_;
    KeyEvents& xwayland_;
    FocusedWindow focusedWindow_;
};

} // namespace orvendi
