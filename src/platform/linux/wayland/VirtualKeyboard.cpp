#include "platform/linux/wayland/VirtualKeyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/Log.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace orvendi {
namespace {

// wl_keyboard.release came with version 3; nothing newer is needed.
constexpr uint32_t kSeatVersion = 3;
// The protocol's key states, and its offset between XKB and evdev key codes.
constexpr uint32_t kReleased = 0;
constexpr uint32_t kPressed = 1;
constexpr xkb_keycode_t kEvdevOffset = 8;

void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* globals = static_cast<VirtualKeyboard::Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, kSeatVersion)));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener{onGlobal, onGlobalRemove};

void onCapabilities(void* data, wl_seat*, uint32_t capabilities) {
    if (data != nullptr) {
        *static_cast<bool*>(data) = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    }
}
void onSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener{onCapabilities, onSeatName};

// The keymap the compositor gives the seat's keyboards, as text.
void onKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (data != nullptr && format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            // The text ends with its terminating zero.
            *static_cast<std::string*>(data) = static_cast<const char*>(mapped);
            munmap(mapped, size);
        }
    }
    close(fd);
}
void onEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void onLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void onKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener{onKeymap, onEnter,     onLeave,
                                             onKey,    onModifiers, onRepeatInfo};

uint32_t nowMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The first key whose base level has the keysym.
xkb_keycode_t firstKeyWith(xkb_keymap* keymap, xkb_keysym_t keysym) {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
         code <= xkb_keymap_max_keycode(keymap); ++code) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, 0, &syms);
        for (int i = 0; i < count; ++i) {
            if (syms[i] == keysym) {
                return code;
            }
        }
    }
    return XKB_KEYCODE_INVALID;
}

} // namespace

VirtualKeyboard::VirtualKeyboard(wl_display* display) : display_(display) {}

VirtualKeyboard::~VirtualKeyboard() {
    if (keyboard_ != nullptr) {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
    }
    if (globals_.manager != nullptr) {
        zwp_virtual_keyboard_manager_v1_destroy(globals_.manager);
    }
    if (globals_.seat != nullptr) {
        wl_seat_destroy(globals_.seat);
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
    }
    wl_display_disconnect(display_);
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::unique_ptr<VirtualKeyboard> VirtualKeyboard::connect(Log& log) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        log.write("Orvendi: cannot connect to the Wayland display");
        return nullptr;
    }
    std::unique_ptr<VirtualKeyboard> keyboard(new VirtualKeyboard(display));
    return keyboard->setUp(log) ? std::move(keyboard) : nullptr;
}

bool VirtualKeyboard::setUp(Log& log) {
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, &globals_);
    if (wl_display_roundtrip(display_) < 0 || globals_.seat == nullptr ||
        globals_.manager == nullptr) {
        log.write("Orvendi: the compositor offers no virtual keyboard");
        return false;
    }
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    std::string text = sessionKeymap();
    if (!text.empty()) {
        keymap_ = xkb_keymap_new_from_string(context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
        keymapOrigin_ = "the session's keymap";
    }
    if (keymap_ == nullptr) {
        // The XKB defaults of the environment (XKB_DEFAULT_LAYOUT and so on).
        keymap_ = xkb_keymap_new_from_names(context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
        keymapOrigin_ = "the default keymap";
        char* defaults =
            keymap_ ? xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
        text = defaults ? defaults : "";
        free(defaults);
    }
    if (keymap_ == nullptr || text.empty()) {
        log.write("Orvendi: no keymap for the virtual keyboard");
        return false;
    }
    state_ = xkb_state_new(keymap_);
    keyboard_ =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals_.manager, globals_.seat);
    if (!upload(text) || wl_display_roundtrip(display_) < 0) {
        log.write("Orvendi: the compositor refused the virtual keyboard");
        return false;
    }
    return true;
}

// The keymap of the seat's keyboard; empty when the seat has none.
std::string VirtualKeyboard::sessionKeymap() {
    bool hasKeyboard = false;
    wl_seat_add_listener(globals_.seat, &kSeatListener, &hasKeyboard);
    wl_display_roundtrip(display_);
    // The listeners' results live on this stack: later events must not reach them.
    wl_seat_set_user_data(globals_.seat, nullptr);
    std::string keymap;
    if (!hasKeyboard) {
        return keymap;
    }
    wl_keyboard* keyboard = wl_seat_get_keyboard(globals_.seat);
    wl_keyboard_add_listener(keyboard, &kKeyboardListener, &keymap);
    wl_display_roundtrip(display_);
    wl_keyboard_set_user_data(keyboard, nullptr);
    // Released at once: a keyboard object would be sent every later keymap change.
    wl_keyboard_release(keyboard);
    return keymap;
}

bool VirtualKeyboard::upload(const std::string& keymap) {
    const int fd = memfd_create("orvendi-keymap", MFD_CLOEXEC);
    const size_t size = keymap.size() + 1; // with its terminating zero
    const bool written = fd >= 0 && write(fd, keymap.c_str(), size) == ssize_t(size);
    if (written) {
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       uint32_t(size));
    }
    if (fd >= 0) {
        close(fd);
    }
    return written;
}

// A virtual keyboard reports its own modifier state with every key.
void VirtualKeyboard::send(unsigned keycode, bool pressed) {
    xkb_state_update_key(state_, keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), keycode - kEvdevOffset,
                                pressed ? kPressed : kReleased);
    zwp_virtual_keyboard_v1_modifiers(
        keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
}

unsigned VirtualKeyboard::keycodeOf(uint32_t keysym) const {
    return firstKeyWith(keymap_, keysym);
}

bool VirtualKeyboard::key(const std::string& keysym, bool pressed) {
    const xkb_keycode_t code = keycodeOf(xkb_keysym_from_name(keysym.c_str(), XKB_KEYSYM_NO_FLAGS));
    if (code == XKB_KEYCODE_INVALID) {
        return false;
    }
    send(code, pressed);
    return wl_display_roundtrip(display_) >= 0;
}

bool VirtualKeyboard::chord(const std::vector<uint32_t>& keysyms) {
    std::vector<xkb_keycode_t> keycodes;
    for (const uint32_t keysym : keysyms) {
        const xkb_keycode_t code = keycodeOf(keysym);
        if (code == XKB_KEYCODE_INVALID) {
            return false;
        }
        keycodes.push_back(code);
    }
    for (const xkb_keycode_t code : keycodes) {
        send(code, true);
    }
    for (auto code = keycodes.rbegin(); code != keycodes.rend(); ++code) {
        send(*code, false);
    }
    return wl_display_roundtrip(display_) >= 0;
}

} // namespace orvendi
