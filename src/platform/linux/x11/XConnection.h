#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvendi {

// One Xlib connection to the display the agent runs on, with the property
// reads the desktop services share. Every call runs on the main thread.
//
// X protocol errors (a window that vanished between two calls is the common
// case) must never end the process, so a process-wide handler swallows them;
// reads report such failures as absent values.
class XConnection {
public:
    // Opens the display named by $DISPLAY. Throws PlatformError when it cannot.
    XConnection();
    explicit XConnection(const std::string& displayName);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* display() const { return display_; }
    Window root() const;
    Atom atom(const char* name);

    std::optional<Window> windowProperty(Window window, const char* property);
    std::vector<Window> windowListProperty(Window window, const char* property);
    std::optional<uint32_t> cardinalProperty(Window window, const char* property);
    // The two WM_CLASS strings (instance name, class name); empty when unset.
    std::vector<std::string> windowClass(Window window);
    bool windowExists(Window window);
    bool isViewable(Window window);
    // Children of the root window, bottom to top.
    std::vector<Window> topLevelWindows();
    Window parentOf(Window window);
    // Every keycode whose mapping produces the keysym, read from the server
    // (Xlib's own keysym cache goes stale when the keyboard mapping changes).
    std::vector<KeyCode> keycodesOf(KeySym keysym);
    // Drops events queued on a connection that only sends requests (the server
    // sends every client keyboard-mapping notices).
    void discardEvents();

private:
    std::vector<unsigned char> readProperty(Window window, Atom property, Atom type, int format,
                                            unsigned long& items);
    Display* display_ = nullptr;
};

} // namespace orvendi
