#include "input/InsertionTarget.h"

#include <algorithm>
#include <cctype>

#include "input/DeliveryChain.h"
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

void InsertionTarget::paste(const std::string& text, const InsertionServices& services,
                            std::function<void(DeliveryOutcome)> completion) const {
    DeliveryChain::deliver(*this, text, services, std::move(completion));
}

} // namespace orvendi
