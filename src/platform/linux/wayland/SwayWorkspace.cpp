#include "platform/linux/wayland/SwayWorkspace.h"

namespace orvendi {

SwayWorkspace::SwayWorkspace(std::string swaySocket, Workspace& links)
    : sway_(std::move(swaySocket)), links_(links) {}

std::optional<sway_ipc::FocusedWindow> SwayWorkspace::focusedWindow() {
    const auto tree = sway_.request(sway_ipc::kGetTree, "");
    return tree ? sway_ipc::focusedWindow(*tree) : std::nullopt;
}

std::optional<int32_t> SwayWorkspace::frontmostProcessId() {
    const auto window = focusedWindow();
    return window ? std::optional(window->processId) : std::nullopt;
}

bool SwayWorkspace::activateProcess(int32_t processId) {
    // sway answers "No matching node" for a process without a window.
    const auto reply = sway_.request(sway_ipc::kRunCommand, sway_ipc::focusCommand(processId));
    return reply && !sway_ipc::commandError(*reply);
}

} // namespace orvendi
