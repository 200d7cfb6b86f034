#pragma once

#include <atspi/atspi.h>

#include <map>

#include "platform/Accessibility.h"

namespace orvendi {

// Other applications' focused elements, read and driven over AT-SPI.
//
// Every call runs on the main thread, which must run the default GLib main
// context (Qt's event loop does): AT-SPI delivers its focus events there. The
// last element that gained focus in each application is remembered, so an
// application whose window is not active still reports where its user was
// typing; otherwise the focused element is searched afresh at each call, and
// every AT-SPI call has a time limit.
//
// AT-SPI's own cache must stay as it is: without cached states, its event
// handling asks the application again from inside a pending call and deadlocks.
class AtspiAccessibility : public Accessibility {
public:
    AtspiAccessibility();
    ~AtspiAccessibility() override;
    AtspiAccessibility(const AtspiAccessibility&) = delete;
    AtspiAccessibility& operator=(const AtspiAccessibility&) = delete;

    // Trusted when the accessibility bus answers and accessibility is enabled.
    bool isProcessTrusted() override;
    std::shared_ptr<AccessibleElement> focusedElement(int32_t processId) override;
    std::optional<std::string> role(const AccessibleElement& element) override;
    std::optional<std::string> subrole(const AccessibleElement& element) override;
    std::optional<TextRange> selectedRange(const AccessibleElement& element) override;
    bool setSelectedRange(AccessibleElement& element, TextRange range) override;
    bool setFocused(AccessibleElement& element) override;
    bool acceptsInsertedText(const AccessibleElement& element) override;
    std::optional<std::string> text(const AccessibleElement& element) override;
    bool replaceText(AccessibleElement& element, TextRange range, const std::string& text) override;

    // The element's AT-SPI role, for callers that need the platform's own word.
    std::optional<AtspiRole> nativeRole(const AccessibleElement& element);

    // For desktops that tell other programs nothing of their windows (Wayland):
    // the process whose element has the keyboard focus now, else the process
    // of an active window; absent when no accessible application has either.
    std::optional<int32_t> focusedProcessId();
    // Gives the focus to a window of the application; toolkits activate the
    // window then. False when it has none or none takes the focus.
    bool focusWindowOf(int32_t processId);

private:
    static void onFocusEvent(AtspiEvent* event, void* self);
    void rememberFocus(AtspiAccessible* element);
    AtspiAccessible* applicationOf(int32_t processId);
    AtspiAccessible* rememberedFocus(AtspiAccessible* application);
    AtspiAccessible* searchFocused(AtspiAccessible* application);
    std::optional<int32_t> activeApplicationProcessId();

    bool initialised_ = false;
    AtspiEventListener* focusListener_ = nullptr;
    AtspiAccessible* lastFocusEvent_ = nullptr;
    // Application proxy -> the element that last gained focus in it (both referenced).
    std::map<AtspiAccessible*, AtspiAccessible*> focusByApplication_;
};

} // namespace orvendi
