#include "platform/linux/wayland/PortalPasteKeystroke.h"

#include <xkbcommon/xkbcommon-keysyms.h>

namespace orvendi {

PortalPasteKeystroke::PortalPasteKeystroke(std::unique_ptr<SessionKeyboard> keyboard,
                                           Pasteboard& pasteboard, KeyEvents& xwayland,
                                           FocusedWindow focusedWindow)
    : keyboard_(std::move(keyboard)), pasteboard_(pasteboard), xwayland_(xwayland),
      focusedWindow_(std::move(focusedWindow)) {}

bool PortalPasteKeystroke::post() {
    switch (focusedWindow_()) {
    case Focus::Nothing:
        return false;
    case Focus::XWayland:
        return xwayland_.postPasteKeystroke();
    case Focus::Native:
        return keyboard_ && keyboard_->chord({XKB_KEY_Control_L, XKB_KEY_v});
    case Focus::NativeTerminal:
        if (!keyboard_ || !keyboard_->ready()) {
            return false; // the primary selection stays as it was
        }
        if (const auto text = pasteboard_.string()) {
            pasteboard_.setPrimarySelection(*text);
        }
        return keyboard_->chord({XKB_KEY_Shift_L, XKB_KEY_Insert});
    }
    return false;
}

} // namespace orvendi
