#include "platform/linux/keys/DesktopSession.h"

#include <cstdlib>
#include <set>

namespace orvendi {
namespace {

// XDG_CURRENT_DESKTOP lists names, most specific first ("ubuntu:GNOME"): the
// desktop the agent knows (its shortcuts and portal) beats a distribution's name.
std::string desktopName(const std::string& desktops) {
    static const std::set<std::string> kKnown{"GNOME", "KDE", "Hyprland", "sway"};
    std::string first;
    for (size_t start = 0; start <= desktops.size();) {
        size_t end = desktops.find(':', start);
        end = end == std::string::npos ? desktops.size() : end;
        const std::string name = desktops.substr(start, end - start);
        if (kKnown.contains(name)) {
            return name;
        }
        if (first.empty()) {
            first = name;
        }
        start = end + 1;
    }
    return first;
}

std::string valueOf(const DesktopSession::Environment& environment, const std::string& name) {
    return environment(name).value_or("");
}

} // namespace

DesktopSession DesktopSession::detect(const Environment& environment) {
    DesktopSession session;
    const std::string type = valueOf(environment, "XDG_SESSION_TYPE");
    // A session that names its type is believed (an X11 session may still have
    // a nested compositor's WAYLAND_DISPLAY); otherwise a Wayland socket decides.
    if (type == "wayland" || type == "x11") {
        session.wayland = type == "wayland";
    } else {
        session.wayland = !valueOf(environment, "WAYLAND_DISPLAY").empty();
    }
    if (!session.wayland) {
        return session;
    }
    const std::string desktops = valueOf(environment, "XDG_CURRENT_DESKTOP");
    if (std::string socket = valueOf(environment, "SWAYSOCK"); !socket.empty()) {
        session.compositor = "sway";
        session.swaySocket = std::move(socket);
    } else if (!valueOf(environment, "HYPRLAND_INSTANCE_SIGNATURE").empty()) {
        session.compositor = "Hyprland";
    } else {
        session.compositor = desktopName(desktops);
    }
    return session;
}

DesktopSession::Environment DesktopSession::processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) {
            return std::nullopt;
        }
        return std::string(value);
    };
}

std::string DesktopSession::describe() const {
    if (!wayland) {
        return "X11";
    }
    return compositor.empty() ? "Wayland" : "Wayland (" + compositor + ")";
}

} // namespace orvendi
