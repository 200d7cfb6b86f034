// Qt first: the X11 headers define macros (Bool, Status) that break Qt's.
#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include "platform/linux/x11/X11Workspace.h"

namespace orvendi {

X11Workspace::Launcher X11Workspace::Launcher::desktop() {
    return {
        [](const std::string& url) {
            const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
            return address.isValid() && QDesktopServices::openUrl(address);
        },
        [](const std::vector<std::string>& command) {
            QStringList arguments;
            for (size_t i = 1; i < command.size(); ++i) {
                arguments << QString::fromStdString(command[i]);
            }
            return QProcess::startDetached(QString::fromStdString(command.front()), arguments);
        },
    };
}

X11Workspace::X11Workspace(DesktopWindows& windows, PermissionSettingsPages settingsPages,
                           Launcher launcher)
    : windows_(windows), settingsPages_(std::move(settingsPages)), launcher_(std::move(launcher)) {}

bool X11Workspace::openURL(const std::string& url) {
    if (!PermissionSettingsPages::isSettingsAddress(url)) {
        return launcher_.openURL(url);
    }
    // A settings page nothing on this desktop can show is ignored.
    const auto destination = settingsPages_.destinationFor(url);
    if (!destination) {
        return false;
    }
    if (!destination->command.empty() && launcher_.startProgram(destination->command)) {
        return true;
    }
    return !destination->url.empty() && launcher_.openURL(destination->url);
}

std::optional<int32_t> X11Workspace::frontmostProcessId() {
    const auto window = windows_.activeWindow();
    return window ? windows_.processOf(*window) : std::nullopt;
}

bool X11Workspace::activateProcess(int32_t processId) {
    const auto windows = windows_.windowsOf(processId);
    if (windows.empty()) {
        return false;
    }
    windows_.activate(windows.front());
    return true;
}

} // namespace orvendi
