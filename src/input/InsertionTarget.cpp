#include "input/InsertionTarget.h"

#include <algorithm>
#include <cctype>

#include "input/Paster.h"
#include "platform/Scheduler.h"
#include "platform/Workspace.h"

namespace orvendi {

namespace {

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool InsertionTarget::isSecureField(const std::string& role, const std::string& subrole) {
    return role == kRoleTextField && lowercased(subrole).find("secure") != std::string::npos;
}

std::optional<InsertionTarget> InsertionTarget::capture(const InsertionServices& services) {
    const auto processId = services.workspace.frontmostProcessId();
    if (!processId) {
        return std::nullopt;
    }
    InsertionTarget target;
    target.processIdentifier = *processId;
    target.focusedElement = services.accessibility.focusedElement(*processId);
    if (!target.focusedElement) {
        return target;
    }
    Accessibility& accessibility = services.accessibility;
    const AccessibleElement& element = *target.focusedElement;
    target.isSecure = isSecureField(accessibility.role(element).value_or(""),
                                    accessibility.subrole(element).value_or(""));
    target.selectedRange = accessibility.selectedRange(element);
    return target;
}

void InsertionTarget::paste(const std::string& text, const InsertionServices& services) const {
    // An application that has quit is not activated; the text then goes to
    // whatever is frontmost.
    services.workspace.activateProcess(processIdentifier);
    services.scheduler.mainAfter(kActivationDelay, [target = *this, text, services] {
        if (target.focusedElement) {
            // Focus first: some applications reset the selection when focused.
            services.accessibility.setFocused(*target.focusedElement);
            if (target.selectedRange) {
                services.accessibility.setSelectedRange(*target.focusedElement,
                                                        *target.selectedRange);
            }
        }
        Paster::paste(text, services.pasteboard, services.keyEvents, services.scheduler);
    });
}

} // namespace orvendi
