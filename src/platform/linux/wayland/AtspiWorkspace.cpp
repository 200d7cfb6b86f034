#include "platform/linux/wayland/AtspiWorkspace.h"

#include "platform/linux/atspi/AtspiAccessibility.h"

namespace orvendi {

AtspiWorkspace::AtspiWorkspace(AtspiAccessibility& accessibility, Workspace& xwayland)
    : accessibility_(accessibility), xwayland_(xwayland) {}

// AT-SPI first: the X11 desktop's active window may be left over from before
// a native window took the focus.
std::optional<int32_t> AtspiWorkspace::frontmostProcessId() {
    if (const auto focused = accessibility_.focusedProcessId()) {
        return focused;
    }
    return xwayland_.frontmostProcessId();
}

bool AtspiWorkspace::activateProcess(int32_t processId) {
    if (frontmostProcessId() == processId) {
        return true; // the chain gives its element the focus back itself
    }
    if (const auto element = accessibility_.focusedElement(processId);
        element && accessibility_.setFocused(*element)) {
        return true;
    }
    return accessibility_.focusWindowOf(processId) || xwayland_.activateProcess(processId);
}

} // namespace orvendi
