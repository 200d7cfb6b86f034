#include "app/SettingsPages.h"

#include <utility>

#include "platform/Workspace.h"

namespace orvendi::SettingsPages {
namespace {

std::string settingsURL(const std::string& permission) {
    static const std::pair<const char*, const char*> kPages[] = {
        {"microphone", "Privacy_Microphone"},
        {"accessibility", "Privacy_Accessibility"},
        {"input-monitoring", "Privacy_ListenEvent"},
        {"screen-recording", "Privacy_ScreenCapture"},
    };
    for (const auto& [name, anchor] : kPages) {
        if (permission == name) {
            return std::string("x-apple.systempreferences:com.apple.preference.security?") + anchor;
        }
    }
    return {};
}

} // namespace

void open(Workspace& workspace, const std::string& permission) {
    const std::string url = settingsURL(permission);
    if (!url.empty()) {
        workspace.openURL(url);
    }
}

} // namespace orvendi::SettingsPages
