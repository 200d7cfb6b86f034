#include "platform/linux/x11/X11WindowHints.h"

#include <QGuiApplication>
#include <QScreen>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace orvendi::X11WindowHints {
namespace {

Display* x11Display() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

// _NET_WM_DESKTOP's value for "all desktops".
constexpr unsigned long kAllDesktops = 0xFFFFFFFFul;

bool selectionHasOwner(Display* display, const QByteArray& prefix) {
    const QByteArray selection = prefix + QByteArray::number(DefaultScreen(display));
    const Atom atom = XInternAtom(display, selection.constData(), False);
    return XGetSelectionOwner(display, atom) != None;
}

} // namespace

bool hasCompositor() {
    Display* display = x11Display();
    return display == nullptr || selectionHasOwner(display, "_NET_WM_CM_S");
}

bool hasSystemTray() {
    Display* display = x11Display();
    return display != nullptr && selectionHasOwner(display, "_NET_SYSTEM_TRAY_S");
}

void setOnAllDesktops(WId window) {
    Display* display = x11Display();
    if (display == nullptr || window == 0) {
        return;
    }
    const Atom desktop = XInternAtom(display, "_NET_WM_DESKTOP", False);
    const unsigned long value = kAllDesktops;
    XChangeProperty(display, static_cast<Window>(window), desktop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    XFlush(display);
}

} // namespace orvendi::X11WindowHints
