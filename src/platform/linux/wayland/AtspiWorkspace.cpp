#include "platform/linux/wayland/AtspiWorkspace.h"

#include "platform/linux/atspi/AtspiAccessibility.h"

namespace orvendi {

AtspiWorkspace::AtspiWorkspace(AtspiAccessibility& accessibility, Workspace& links)
    : accessibility_(accessibility), links_(links) {}

std::optional<int32_t> AtspiWorkspace::frontmostProcessId() {
    return accessibility_.focusedProcessId();
}

bool AtspiWorkspace::activateProcess(int32_t processId) {
    if (frontmostProcessId() == processId) {
        return true; // the chain gives its element the focus back itself
    }
    if (const auto element = accessibility_.focusedElement(processId);
        element && accessibility_.setFocused(*element)) {
        return true;
    }
    return accessibility_.focusWindowOf(processId);
}

} // namespace orvendi
