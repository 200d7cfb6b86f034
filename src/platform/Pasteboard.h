#pragma once

#include <optional>
#include <string>

namespace orvendi {

// The general pasteboard (the clipboard).
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual void clearContents() = 0;
    virtual void setString(const std::string& text) = 0;
    virtual std::optional<std::string> string() const = 0;
    // Where the desktop has one, the selection that a "paste selection"
    // keystroke (Shift+Insert in terminals) inserts; elsewhere nothing.
    virtual void setPrimarySelection(const std::string& text) = 0;
};

} // namespace orvendi
