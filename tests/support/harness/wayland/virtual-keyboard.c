// The test session's one keyboard: a Wayland virtual keyboard with the
// standard "us" keymap that lives as long as the session, so the seat has a
// keyboard (windows get keyboard focus, compositor bindings fire) and tests
// can hold a key across separate commands.
//
// Usage: orvendi-virtual-keyboard FIFO
// Creates FIFO and reads lines from it: "press KEYSYM" and "release KEYSYM"
// (XKB keysym names such as Control_R or a).
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "virtual-keyboard-unstable-v1-client-protocol.h"

enum { KEY_RELEASED = 0, KEY_PRESSED = 1 };

struct keyboard {
    struct wl_display* display;
    struct wl_seat* seat;
    struct zwp_virtual_keyboard_manager_v1* manager;
    struct zwp_virtual_keyboard_v1* device;
    struct xkb_keymap* keymap;
    struct xkb_state* state;
};

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    struct keyboard* keyboard = data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && keyboard->seat == NULL) {
        keyboard->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        keyboard->manager =
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    }
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};

static int fail(const char* message) {
    fprintf(stderr, "orvendi-virtual-keyboard: %s\n", message);
    return 1;
}

static uint32_t now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Hands the compositor the keymap through a memory file.
static int upload_keymap(struct keyboard* keyboard) {
    char* text = xkb_keymap_get_as_string(keyboard->keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (text == NULL) {
        return -1;
    }
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("orvendi-keymap", MFD_CLOEXEC);
    const int written = fd >= 0 && write(fd, text, size) == (ssize_t)size;
    free(text);
    if (!written) {
        return -1;
    }
    zwp_virtual_keyboard_v1_keymap(keyboard->device, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   (uint32_t)size);
    close(fd);
    return 0;
}

struct key_search {
    xkb_keysym_t keysym;
    xkb_keycode_t keycode;
};

static void find_key(struct xkb_keymap* keymap, xkb_keycode_t keycode, void* data) {
    struct key_search* search = data;
    if (search->keycode != XKB_KEYCODE_INVALID) {
        return;
    }
    const xkb_keysym_t* syms = NULL;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms);
    for (int i = 0; i < count; ++i) {
        if (syms[i] == search->keysym) {
            search->keycode = keycode;
        }
    }
}

// The virtual keyboard's modifiers are the client's to report.
static void send_key(struct keyboard* keyboard, xkb_keycode_t keycode, int pressed) {
    xkb_state_update_key(keyboard->state, keycode, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    zwp_virtual_keyboard_v1_key(keyboard->device, now_ms(), keycode - 8,
                                pressed ? KEY_PRESSED : KEY_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(
        keyboard->device, xkb_state_serialize_mods(keyboard->state, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(keyboard->state, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(keyboard->state, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(keyboard->state, XKB_STATE_LAYOUT_EFFECTIVE));
}

static int key_for(struct keyboard* keyboard, xkb_keysym_t keysym, struct key_search* search) {
    search->keysym = keysym;
    search->keycode = XKB_KEYCODE_INVALID;
    xkb_keymap_key_for_each(keyboard->keymap, find_key, search);
    return search->keycode == XKB_KEYCODE_INVALID ? -1 : 0;
}

static void run_command(struct keyboard* keyboard, char* line) {
    line[strcspn(line, "\r\n")] = '\0';
    char* argument = strchr(line, ' ');
    if (argument == NULL) {
        fprintf(stderr, "orvendi-virtual-keyboard: unknown line \"%s\"\n", line);
        return;
    }
    *argument++ = '\0';
    if (strcmp(line, "press") == 0 || strcmp(line, "release") == 0) {
        struct key_search key;
        const xkb_keysym_t keysym = xkb_keysym_from_name(argument, XKB_KEYSYM_NO_FLAGS);
        if (keysym == XKB_KEY_NoSymbol || key_for(keyboard, keysym, &key) < 0) {
            fprintf(stderr, "orvendi-virtual-keyboard: no key \"%s\"\n", argument);
            return;
        }
        send_key(keyboard, key.keycode, strcmp(line, "press") == 0);
    } else {
        fprintf(stderr, "orvendi-virtual-keyboard: unknown command \"%s\"\n", line);
        return;
    }
    wl_display_flush(keyboard->display);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        return fail("usage: orvendi-virtual-keyboard FIFO");
    }
    struct keyboard keyboard = {0};
    keyboard.display = wl_display_connect(NULL);
    if (keyboard.display == NULL) {
        return fail("cannot connect to the Wayland display");
    }
    struct wl_registry* registry = wl_display_get_registry(keyboard.display);
    wl_registry_add_listener(registry, &registry_listener, &keyboard);
    wl_display_roundtrip(keyboard.display);
    if (keyboard.seat == NULL || keyboard.manager == NULL) {
        return fail("the compositor offers no seat or no virtual keyboards");
    }
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names us = {"evdev", "pc105", "us", "", ""};
    keyboard.keymap = xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keyboard.keymap == NULL) {
        return fail("cannot compile the us keymap");
    }
    keyboard.state = xkb_state_new(keyboard.keymap);
    keyboard.device =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboard.manager, keyboard.seat);
    if (upload_keymap(&keyboard) < 0) {
        return fail("cannot hand over the keymap");
    }
    wl_display_roundtrip(keyboard.display);

    // Read and write: the fifo then never reports end of file between writers.
    if (mkfifo(argv[1], 0600) < 0 && errno != EEXIST) {
        return fail("cannot create the fifo");
    }
    FILE* commands = fopen(argv[1], "r+");
    if (commands == NULL) {
        return fail("cannot open the fifo");
    }
    char line[4096];
    while (fgets(line, sizeof line, commands) != NULL) {
        run_command(&keyboard, line);
        if (wl_display_roundtrip(keyboard.display) < 0) {
            return fail("the compositor closed the connection");
        }
    }
    return 0;
}
