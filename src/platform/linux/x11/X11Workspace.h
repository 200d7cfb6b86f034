#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Workspace.h"
#include "platform/linux/rules/PermissionSettingsPages.h"
#include "platform/linux/x11/DesktopWindows.h"

namespace orvendi {

// Applications and links on an X11 desktop.
class X11Workspace : public Workspace {
public:
    // How addresses and programs are handed to the desktop; the defaults use
    // the desktop's URL handler and start programs detached.
    struct Launcher {
        std::function<bool(const std::string& url)> openURL;
        std::function<bool(const std::vector<std::string>& command)> startProgram;
        static Launcher desktop();
    };

    X11Workspace(DesktopWindows& windows, PermissionSettingsPages settingsPages,
                 Launcher launcher = Launcher::desktop());

    bool openURL(const std::string& url) override;
    std::optional<int32_t> frontmostProcessId() override;
    bool activateProcess(int32_t processId) override;

private:
    DesktopWindows& windows_;
    PermissionSettingsPages settingsPages_;
    Launcher launcher_;
};

} // namespace orvendi
