#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "input/DeliveryRoute.h"
#include "platform/Accessibility.h"

namespace orvendi {

class KeyEvents;
class Pasteboard;
class Scheduler;
class Workspace;

// The platform services that capturing and pasting use; they outlive every
// pending paste.
struct InsertionServices {
    Scheduler& scheduler;
    Workspace& workspace;
    Accessibility& accessibility;
    Pasteboard& pasteboard;
    KeyEvents& keyEvents;
};

// Where the user was typing when a dictation began: the frontmost application,
// its focused element and that element's selection. Copies share the element.
struct InsertionTarget {
    int32_t processIdentifier = 0;
    bool isSecure = false;
    std::shared_ptr<AccessibleElement> focusedElement; // null when not readable
    std::optional<TextRange> selectedRange;

    // Absent only when no application is frontmost. Without a readable element
    // the target holds just the process.
    static std::optional<InsertionTarget> capture(const InsertionServices& services);

    // A password field: a text field whose subrole says "secure" in any letter case.
    static bool isSecureField(const std::string& role, const std::string& subrole);

    // Delivers the text here by the first route the target supports (see
    // DeliveryChain); `completion` hears the route taken or why the text
    // stayed on the clipboard only.
    void paste(const std::string& text, const InsertionServices& services,
               std::function<void(DeliveryOutcome)> completion) const;
};

} // namespace orvendi
