#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvendi {

// An opaque, shared reference to a user-interface element of another application.
class AccessibleElement {
public:
    virtual ~AccessibleElement() = default;
};

struct TextRange {
    int64_t location = 0;
    int64_t length = 0;
    bool operator==(const TextRange&) const = default;
};

// Roles are reported in the agent's vocabulary: a single-line text field is
// "AXTextField" and a password field additionally has a subrole containing
// "Secure", whatever the platform's own names are.
inline constexpr const char* kRoleTextField = "AXTextField";
inline constexpr const char* kSubroleSecureTextField = "AXSecureTextField";

class Accessibility {
public:
    virtual ~Accessibility() = default;
    // The process may read and drive other applications' elements.
    virtual bool isProcessTrusted() = 0;
    // The element with keyboard focus in the application, if readable.
    virtual std::shared_ptr<AccessibleElement> focusedElement(int32_t processId) = 0;
    virtual std::optional<std::string> role(const AccessibleElement& element) = 0;
    virtual std::optional<std::string> subrole(const AccessibleElement& element) = 0;
    virtual std::optional<TextRange> selectedRange(const AccessibleElement& element) = 0;
    virtual bool setSelectedRange(AccessibleElement& element, TextRange range) = 0;
    virtual bool setFocused(AccessibleElement& element) = 0;

    // Text written into an element directly, without a keystroke. Ranges count
    // characters (Unicode code points), as selectedRange does.
    // The element takes text this way: it is editable text and not a terminal
    // (terminals paste their own way and may feed such text to their program).
    virtual bool acceptsInsertedText(const AccessibleElement& element) = 0;
    // All the text the element shows; absent when it has none or does not answer.
    virtual std::optional<std::string> text(const AccessibleElement& element) = 0;
    // Replaces `range` of the element's text with `text` (a range of length 0
    // inserts there). False when the element refused a part of it.
    virtual bool replaceText(AccessibleElement& element, TextRange range,
                             const std::string& text) = 0;
};

} // namespace orvendi
