#pragma once

#include "platform/Workspace.h"
#include "platform/linux/keys/SwayTree.h"
#include "platform/linux/wayland/SwayIpcConnection.h"

namespace orvendi {

// Applications on sway, native Wayland and XWayland alike: the frontmost one
// is the process of sway's focused window, and activating one focuses its
// window through sway's IPC. Links go through the XWayland workspace.
class SwayWorkspace : public Workspace {
public:
    SwayWorkspace(std::string swaySocket, Workspace& links);

    bool openURL(const std::string& url) override { return links_.openURL(url); }
    std::optional<int32_t> frontmostProcessId() override;
    bool activateProcess(int32_t processId) override;

    // The window that has the focus now, if any.
    std::optional<sway_ipc::FocusedWindow> focusedWindow();

private:
    SwayIpcConnection sway_;
    Workspace& links_;
};

} // namespace orvendi
