#include "platform/linux/wayland/SwayPasteKeystroke.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/linux/rules/TerminalClasses.h"

namespace orvendi {

SwayPasteKeystroke::SwayPasteKeystroke(SwayWorkspace& workspace, Pasteboard& pasteboard,
                                       std::unique_ptr<VirtualKeyboard> keyboard,
                                       KeyEvents& xwayland, FocusIsTerminal focusIsTerminal)
    : workspace_(workspace), pasteboard_(pasteboard), keyboard_(std::move(keyboard)),
      xwayland_(xwayland), focusIsTerminal_(std::move(focusIsTerminal)) {}

bool SwayPasteKeystroke::isTerminal(const sway_ipc::FocusedWindow& window) const {
    for (const auto& name : window.classNames) {
        if (isTerminalClass(name)) {
            return true;
        }
    }
    return focusIsTerminal_ && focusIsTerminal_(window.processId);
}

bool SwayPasteKeystroke::post() {
    // With no window focused there is nothing to paste into.
    const auto window = workspace_.focusedWindow();
    if (!window) {
        return false;
    }
    if (window->xwayland) {
        return xwayland_.postPasteKeystroke();
    }
    if (!keyboard_) {
        return false; // the text stays on the clipboard
    }
    if (!isTerminal(*window)) {
        return keyboard_->chord({XKB_KEY_Control_L, XKB_KEY_v});
    }
    if (const auto text = pasteboard_.string()) {
        pasteboard_.setPrimarySelection(*text);
    }
    return keyboard_->chord({XKB_KEY_Shift_L, XKB_KEY_Insert});
}

} // namespace orvendi
