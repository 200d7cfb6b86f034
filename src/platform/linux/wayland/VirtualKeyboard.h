#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/wayland/SessionKeyboard.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace orvendi {

class Log;

// A keyboard of the agent's own in a wlroots session (the virtual-keyboard
// protocol), for the paste keystroke into native Wayland windows. It hands
// the compositor the session's own keymap once and keeps it: a keyboard that
// brings a keymap of its own makes the focused window switch keymaps, after
// which GTK 3 ignores key combinations such as Control+V.
class VirtualKeyboard : public SessionKeyboard {
public:
    // None when the session has no Wayland display or the compositor offers
    // no virtual keyboards; the reason goes to the log.
    static std::unique_ptr<VirtualKeyboard> connect(Log& log);
    ~VirtualKeyboard() override;
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // Presses the keys (XKB keysyms) in order and releases them in reverse,
    // and returns once the compositor has them. False when a key is not on
    // the keymap or the compositor went away.
    bool chord(const std::vector<uint32_t>& keysyms) override;
    // The compositor takes keys from the start.
    bool ready() const override { return true; }

    // Presses or releases one key, so a key can stay held between calls;
    // returns as chord does.
    bool key(const std::string& keysym, bool pressed);

    // Where the keymap came from: "the session's keymap" or the defaults.
    const std::string& keymapOrigin() const { return keymapOrigin_; }

    struct Globals {
        wl_seat* seat = nullptr;
        zwp_virtual_keyboard_manager_v1* manager = nullptr;
    };

private:
    explicit VirtualKeyboard(wl_display* display);
    bool setUp(Log& log);
    std::string sessionKeymap();
    bool upload(const std::string& keymap);
    unsigned keycodeOf(uint32_t keysym) const;
    void send(unsigned keycode, bool pressed);

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    Globals globals_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    std::string keymapOrigin_;
};

} // namespace orvendi
