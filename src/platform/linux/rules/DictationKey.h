#pragma once

#include <X11/X.h>

#include <functional>
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

    // How X spells keysyms (Xlib's XStringToKeysym and XKeysymToString on a
    // desktop); the rule itself needs no display.
    struct KeysymNames {
        std::function<KeySym(const std::string& name)> keysymOf; // NoSymbol when unknown
        std::function<std::string(KeySym keysym)> nameOf;        // empty when unknown
    };

    // An absent, empty or unknown name selects the default key.
    DictationKey(const std::optional<std::string>& configuredName, const KeysymNames& names);

    KeySym keysym() const { return keysym_; }
    // Control_L for the default key; any Control key other than the dictation key otherwise.
    std::vector<KeySym> controlKeysyms() const;
    // How messages and menus name the key ("Right Ctrl").
    const std::string& readableName() const { return readableName_; }

private:
    static std::string readableNameOf(KeySym keysym, const KeysymNames& names);

    KeySym keysym_;
    std::string readableName_;
};

} // namespace orvendi
