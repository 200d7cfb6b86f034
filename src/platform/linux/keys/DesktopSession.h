#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvendi {

// What kind of desktop session the agent starts in, read from the variables
// the session sets for its programs. On Wayland the dictation key needs a
// source of its own (the X11 monitor only sees keys while an XWayland window
// has focus).
struct DesktopSession {
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    bool wayland = false;
    // "sway", "Hyprland", or the first entry of XDG_CURRENT_DESKTOP ("GNOME",
    // "KDE", ...); empty when the session does not say.
    std::string compositor;
    // sway's IPC socket, when the compositor is sway.
    std::string swaySocket;

    static DesktopSession detect(const Environment& environment);
    // The process's own environment.
    static Environment processEnvironment();

    bool isSway() const { return !swaySocket.empty(); }
    // "X11", "Wayland (sway)", "Wayland (GNOME)".
    std::string describe() const;
};

} // namespace orvendi
