#pragma once

#include <cstdint>
#include <vector>

namespace orvendi {

// A keyboard the agent presses keys on in a Wayland session: one the desktop
// lends through its RemoteDesktop portal, or the compositor's virtual keyboard.
class SessionKeyboard {
public:
    virtual ~SessionKeyboard() = default;

    // Whether keys can go out now (a portal's keyboard may still wait for the
    // user's permission, or have been refused).
    virtual bool ready() const = 0;
    // Presses the keys (XKB keysyms) in order and releases them in reverse.
    // False unless every key went out.
    virtual bool chord(const std::vector<uint32_t>& keysyms) = 0;
};

} // namespace orvendi
