#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

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

    // Time the re-activated application gets to come to the front.
    static constexpr double kActivationDelay = 0.2;

    // Absent only when no application is frontmost. Without a readable element
    // the target holds just the process.
    static std::optional<InsertionTarget> capture(const InsertionServices& services);

    // A password field: a text field whose subrole says "secure" in any letter case.
    static bool isSecureField(const std::string& role, const std::string& subrole);

    // Brings the application back, then restores focus and selection and pastes.
    // Returns at once; the keystroke follows kActivationDelay + Paster's delay later.
    void paste(const std::string& text, const InsertionServices& services) const;
};

} // namespace orvendi
