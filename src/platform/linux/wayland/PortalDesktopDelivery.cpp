// Qt first: the X11 headers define macros (Bool, Status) that break Qt's.
#include "platform/linux/wayland/PortalKeyboard.h"

#include "platform/linux/wayland/PortalDesktopDelivery.h"

#include "base/Error.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/linux/X11DesktopServices.h"
#include "platform/linux/keys/DesktopSession.h"
#include "platform/linux/wayland/VirtualKeyboard.h"

namespace orvendi {
namespace {

// In the agent's folder of the user's application data.
constexpr const char* kRestoreTokenFile = "Orvendi/remote-desktop-token";

} // namespace

PortalDesktopDelivery::PortalDesktopDelivery(const DesktopSession& session,
                                             unsigned remoteDesktopVersion, const Files& files,
                                             X11DesktopServices& xwayland, Log& log)
    : xwayland_(xwayland), workspace_(xwayland.accessibility, xwayland.workspace),
      // GNOME bridges X11 selections; elsewhere the agent holds the clipboard
      // through data-control, or XWayland's when the compositor lacks it.
      waylandPasteboard_(session.compositor == "GNOME" ? nullptr : WaylandPasteboard::connect(log)),
      keystroke_(openKeyboard(remoteDesktopVersion, files, log), pasteboard(), xwayland.keyEvents,
                 [this] { return focus(); }) {
    log.write(std::string("Orvendi: text into native windows through AT-SPI focus, the ") +
              (waylandPasteboard_ ? "data-control" : "XWayland") + " clipboard and " +
              (remoteDesktopVersion > 0 ? "the RemoteDesktop portal's keyboard (version " +
                                              std::to_string(remoteDesktopVersion) + ")"
               : keystroke_.hasKeyboard() ? std::string("the compositor's virtual keyboard")
                                          : std::string("no keystroke")) +
              "; into XWayland windows as on X11");
}

std::unique_ptr<SessionKeyboard> PortalDesktopDelivery::openKeyboard(unsigned remoteDesktopVersion,
                                                                     const Files& files, Log& log) {
    // Compositors without the portal's keyboard (Hyprland and other wlroots
    // ones) may offer a virtual keyboard; GNOME and KDE offer none.
    if (remoteDesktopVersion == 0) {
        return VirtualKeyboard::connect(log);
    }
    std::filesystem::path tokenFile;
    try {
        tokenFile = files.applicationSupportDirectory() / kRestoreTokenFile;
    } catch (const PlatformError& error) {
        log.write(std::string("Orvendi: the remote desktop permission is not kept: ") +
                  error.what());
    }
    auto keyboard = std::make_unique<PortalKeyboard>(remoteDesktopVersion, tokenFile, log);
    keyboard->open();
    return keyboard;
}

Pasteboard& PortalDesktopDelivery::pasteboard() {
    return waylandPasteboard_ ? static_cast<Pasteboard&>(*waylandPasteboard_)
                              : xwayland_.pasteboard;
}

// An XWayland window is the X11 desktop's active window as well; a native
// window leaves that empty or with another process.
PortalPasteKeystroke::Focus PortalDesktopDelivery::focus() {
    using Focus = PortalPasteKeystroke::Focus;
    const auto focused = workspace_.frontmostProcessId();
    if (!focused) {
        return Focus::Nothing;
    }
    if (xwayland_.workspace.frontmostProcessId() == focused) {
        return Focus::XWayland;
    }
    const auto element = xwayland_.accessibility.focusedElement(*focused);
    return element && xwayland_.accessibility.nativeRole(*element) == ATSPI_ROLE_TERMINAL
               ? Focus::NativeTerminal
               : Focus::Native;
}

} // namespace orvendi
