#pragma once

#include <X11/X.h>

#include <optional>
#include <string>
#include <vector>

namespace orvendi {

// The key that plays the Fn key's role, named by the configuration's
// "dictation_key" (an X keysym name), and the Control keys that count as the
// gesture's Control flag while it is held.
class DictationKey {
public:
    static constexpr const char* kDefaultName = "Control_R";

    // An absent, empty or unknown name selects the default key.
    explicit DictationKey(const std::optional<std::string>& configuredName);

    KeySym keysym() const { return keysym_; }
    // Control_L for the default key; any Control key other than the dictation key otherwise.
    std::vector<KeySym> controlKeysyms() const;
    // How messages and menus name the key ("Right Ctrl").
    std::string readableName() const;

private:
    KeySym keysym_;
};

} // namespace orvendi
