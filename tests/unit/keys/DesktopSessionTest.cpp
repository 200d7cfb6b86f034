#include <gtest/gtest.h>

#include <map>

#include "platform/linux/keys/DesktopSession.h"

namespace orvendi::test {
namespace {

struct SessionCase {
    const char* name;
    std::map<std::string, std::string> environment;
    std::string described;
    std::string swaySocket;
};

class DesktopSessionTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(DesktopSessionTest, DetectsTheSessionFromItsVariables) {
    const auto& variables = GetParam().environment;
    const auto session =
        DesktopSession::detect([&](const std::string& name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            return found == variables.end() ? std::nullopt : std::optional(found->second);
        });
    EXPECT_EQ(session.describe(), GetParam().described);
    EXPECT_EQ(session.swaySocket, GetParam().swaySocket);
}

// clang-format off
const SessionCase kSessions[] = {
    {"PlainX11", {{"DISPLAY", ":0"}}, "X11", ""},
    {"X11WithANestedCompositor",
     {{"XDG_SESSION_TYPE", "x11"}, {"WAYLAND_DISPLAY", "wayland-1"}}, "X11", ""},
    {"Sway", {{"XDG_SESSION_TYPE", "wayland"}, {"SWAYSOCK", "/run/user/1000/sway-ipc.sock"},
              {"XDG_CURRENT_DESKTOP", "sway"}},
     "Wayland (sway)", "/run/user/1000/sway-ipc.sock"},
    {"HyprlandWithoutSessionType",
     {{"WAYLAND_DISPLAY", "wayland-1"}, {"HYPRLAND_INSTANCE_SIGNATURE", "abc"}},
     "Wayland (Hyprland)", ""},
    {"UbuntuGnome", {{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
     "Wayland (GNOME)", ""},
    {"UnnamedCompositor", {{"XDG_SESSION_TYPE", "wayland"}}, "Wayland", ""},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Sessions, DesktopSessionTest, ::testing::ValuesIn(kSessions),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

} // namespace
} // namespace orvendi::test
