#include "platform/linux/x11/TerminalDetector.h"

#include <utility>

#include "platform/linux/rules/TerminalClasses.h"

namespace orvendi {

TerminalDetector::TerminalDetector(XConnection& x, DesktopWindows& windows,
                                   FocusIsTerminal focusIsTerminal)
    : x_(x), windows_(windows), focusIsTerminal_(std::move(focusIsTerminal)) {}

bool TerminalDetector::activeWindowIsTerminal() {
    const auto window = windows_.activeWindow();
    if (!window) {
        return false;
    }
    for (const auto& name : x_.windowClass(*window)) {
        if (isTerminalClass(name)) {
            return true;
        }
    }
    const auto processId = windows_.processOf(*window);
    if (!processId) {
        return false;
    }
    return focusIsTerminal_ && focusIsTerminal_(*processId);
}

} // namespace orvendi
