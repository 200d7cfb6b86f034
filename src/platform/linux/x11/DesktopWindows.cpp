#include "platform/linux/x11/DesktopWindows.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <deque>

namespace orvendi {
namespace {

// Window-manager frames nest the client a few levels down; a bounded search
// keeps a pathological tree from stalling the main thread.
constexpr int kMaxFrameSearch = 64;
// Activation requests from a pager are honoured by every EWMH window manager,
// whatever its focus-stealing rules.
constexpr long kSourceIndicationPager = 2;

} // namespace

DesktopWindows::DesktopWindows(XConnection& x) : x_(x) {}

bool DesktopWindows::windowManagerRunning() {
    const auto check = x_.windowProperty(x_.root(), "_NET_SUPPORTING_WM_CHECK");
    // A window manager that exited leaves the root property behind; its check
    // window, which points at itself, goes away with it.
    return check && x_.windowProperty(*check, "_NET_SUPPORTING_WM_CHECK") == check;
}

std::optional<Window> DesktopWindows::activeWindow() {
    if (windowManagerRunning()) {
        const auto active = x_.windowProperty(x_.root(), "_NET_ACTIVE_WINDOW");
        if (active && x_.windowExists(*active)) {
            return active;
        }
    }
    return focusedClientWindow();
}

std::optional<Window> DesktopWindows::focusedClientWindow() {
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(x_.display(), &focus, &revertTo);
    if (focus == None || focus == PointerRoot || focus == x_.root()) {
        return std::nullopt;
    }
    Window topLevel = focus;
    for (Window parent = x_.parentOf(topLevel); parent != None && parent != x_.root();
         parent = x_.parentOf(topLevel)) {
        topLevel = parent;
    }
    if (x_.parentOf(topLevel) == None) {
        return std::nullopt; // the focus window vanished meanwhile
    }
    return clientWindowWithin(topLevel);
}

bool DesktopWindows::isClientWindow(Window window) {
    unsigned long items = 0;
    Atom type = None;
    int format = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool hasState =
        XGetWindowProperty(x_.display(), window, x_.atom("WM_STATE"), 0, 0, False, AnyPropertyType,
                           &type, &format, &items, &remaining, &data) == Success &&
        type != None;
    if (data) {
        XFree(data);
    }
    return hasState || x_.cardinalProperty(window, "_NET_WM_PID").has_value();
}

std::optional<Window> DesktopWindows::clientWindowWithin(Window topLevel) {
    std::deque<Window> pending{topLevel};
    for (int visited = 0; !pending.empty() && visited < kMaxFrameSearch; ++visited) {
        const Window window = pending.front();
        pending.pop_front();
        if (isClientWindow(window)) {
            return window;
        }
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(x_.display(), window, &rootReturn, &parent, &children, &count) && children) {
            pending.insert(pending.end(), children, children + count);
        }
        if (children) {
            XFree(children);
        }
    }
    // A plain override-redirect or unmanaged window: it is its own client.
    return topLevel;
}

std::optional<int32_t> DesktopWindows::processOf(Window window) {
    const auto pid = x_.cardinalProperty(window, "_NET_WM_PID");
    if (!pid || *pid == 0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*pid);
}

std::vector<Window> DesktopWindows::clientWindowsBottomToTop() {
    if (windowManagerRunning()) {
        return x_.windowListProperty(x_.root(), "_NET_CLIENT_LIST_STACKING");
    }
    std::vector<Window> clients;
    for (Window topLevel : x_.topLevelWindows()) {
        if (x_.isViewable(topLevel) && isClientWindow(topLevel)) {
            clients.push_back(topLevel);
        }
    }
    return clients;
}

std::vector<Window> DesktopWindows::windowsOf(int32_t processId) {
    std::vector<Window> windows;
    for (Window window : clientWindowsBottomToTop()) {
        if (processOf(window) == processId) {
            windows.push_back(window);
        }
    }
    std::reverse(windows.begin(), windows.end());
    return windows;
}

void DesktopWindows::activate(Window window) {
    Display* display = x_.display();
    if (windowManagerRunning()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = x_.atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = kSourceIndicationPager;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = static_cast<long>(activeWindow().value_or(None));
        XSendEvent(display, x_.root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        XMapRaised(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XFlush(display);
}

} // namespace orvendi
