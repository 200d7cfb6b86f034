#include "platform/linux/x11/XConnection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>
#include <mutex>

#include "base/Error.h"

namespace orvendi {
namespace {

int ignoreProtocolError(Display*, XErrorEvent*) {
    return 0;
}

void installQuietErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(ignoreProtocolError); });
}

// Generous enough for any window list a desktop holds.
constexpr long kMaxPropertyLongs = 1 << 16;

} // namespace

XConnection::XConnection() : XConnection(std::string()) {}

XConnection::XConnection(const std::string& displayName) {
    installQuietErrorHandler();
    display_ = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display_) {
        throw PlatformError("Cannot open the X display");
    }
}

XConnection::~XConnection() {
    XCloseDisplay(display_);
}

Window XConnection::root() const {
    return DefaultRootWindow(display_);
}

Atom XConnection::atom(const char* name) {
    return XInternAtom(display_, name, False);
}

std::vector<unsigned char> XConnection::readProperty(Window window, Atom property, Atom type,
                                                     int format, unsigned long& items) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    items = 0;
    const int status =
        XGetWindowProperty(display_, window, property, 0, kMaxPropertyLongs, False, type,
                           &actualType, &actualFormat, &items, &remaining, &data);
    std::vector<unsigned char> bytes;
    if (status == Success && data && actualType == type && actualFormat == format) {
        // Xlib hands 32-bit items over as longs.
        const size_t itemSize = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
        bytes.assign(data, data + items * itemSize);
    } else {
        items = 0;
    }
    if (data) {
        XFree(data);
    }
    return bytes;
}

std::optional<Window> XConnection::windowProperty(Window window, const char* property) {
    const auto windows = windowListProperty(window, property);
    if (windows.empty() || windows.front() == None) {
        return std::nullopt;
    }
    return windows.front();
}

std::vector<Window> XConnection::windowListProperty(Window window, const char* property) {
    unsigned long items = 0;
    const auto bytes = readProperty(window, atom(property), XA_WINDOW, 32, items);
    std::vector<Window> windows(items);
    for (unsigned long i = 0; i < items; ++i) {
        long value = 0;
        std::memcpy(&value, bytes.data() + i * sizeof(long), sizeof(long));
        windows[i] = static_cast<Window>(value);
    }
    return windows;
}

std::optional<uint32_t> XConnection::cardinalProperty(Window window, const char* property) {
    unsigned long items = 0;
    const auto bytes = readProperty(window, atom(property), XA_CARDINAL, 32, items);
    if (items == 0) {
        return std::nullopt;
    }
    long value = 0;
    std::memcpy(&value, bytes.data(), sizeof(long));
    return static_cast<uint32_t>(value);
}

std::vector<std::string> XConnection::windowClass(Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint)) {
        return {};
    }
    std::vector<std::string> names;
    for (char* name : {hint.res_name, hint.res_class}) {
        if (name) {
            names.emplace_back(name);
            XFree(name);
        }
    }
    return names;
}

bool XConnection::windowExists(Window window) {
    XWindowAttributes attributes{};
    return window != None && XGetWindowAttributes(display_, window, &attributes) != 0;
}

bool XConnection::isViewable(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

std::vector<Window> XConnection::topLevelWindows() {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (XQueryTree(display_, root(), &rootReturn, &parent, &children, &count) && children) {
        windows.assign(children, children + count);
    }
    if (children) {
        XFree(children);
    }
    return windows;
}

Window XConnection::parentOf(Window window) {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count)) {
        parent = None;
    }
    if (children) {
        XFree(children);
    }
    return parent;
}

std::vector<KeyCode> XConnection::keycodesOf(KeySym keysym) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &perKeycode);
    std::vector<KeyCode> keycodes;
    if (!map) {
        return keycodes;
    }
    for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
        const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
        for (int i = 0; i < perKeycode; ++i) {
            if (syms[i] == keysym) {
                keycodes.push_back(static_cast<KeyCode>(keycode));
                break;
            }
        }
    }
    XFree(map);
    return keycodes;
}

void XConnection::discardEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

} // namespace orvendi
