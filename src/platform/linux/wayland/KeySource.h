#pragma once

#include <string>

namespace orvendi {

class HeldKey;

// One way to learn about the dictation key in a Wayland session (compositor
// bindings, the shortcuts portal, the input devices). Main thread only.
class KeySource {
public:
    virtual ~KeySource() = default;
    // How the status texts and the log name it ("sway key bindings").
    virtual std::string name() const = 0;
    // Starts reporting presses and releases to `key`; false when this source
    // does not work in this session (then it reports nothing).
    virtual bool start(HeldKey& key) = 0;
};

} // namespace orvendi
