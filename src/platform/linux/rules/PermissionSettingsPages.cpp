#include "platform/linux/rules/PermissionSettingsPages.h"

#include <utility>

namespace orvendi {
namespace {

constexpr const char* kSettingsScheme = "x-apple.systempreferences:";

const std::map<std::string, PermissionSettingsPages::Page>& pagesByAnchor() {
    using Page = PermissionSettingsPages::Page;
    static const std::map<std::string, Page> pages{
        {"Privacy_Microphone", Page::Microphone},
        {"Privacy_Accessibility", Page::Accessibility},
        {"Privacy_ListenEvent", Page::InputMonitoring},
        {"Privacy_ScreenCapture", Page::ScreenCapture},
    };
    return pages;
}

} // namespace

PermissionSettingsPages::PermissionSettingsPages(
    Candidates candidates, std::function<std::string()> fallbackURL,
    std::function<bool(const std::string&)> isInstalled)
    : candidates_(std::move(candidates)), fallbackURL_(std::move(fallbackURL)),
      isInstalled_(std::move(isInstalled)) {}

PermissionSettingsPages::Candidates PermissionSettingsPages::desktopPrograms() {
    return {
        {Page::Microphone,
         {{"gnome-control-center", "sound"},
          {"systemsettings", "kcm_pulseaudio"},
          {"pavucontrol", "--tab=4"}, // its "Input Devices" tab
          {"pavucontrol-qt"}}},
        {Page::Accessibility,
         {{"gnome-control-center", "universal-access"},
          {"systemsettings", "kcm_access"},
          {"xfce4-accessibility-settings"}}},
        // X11 grants key monitoring and screen capture to every client: the
        // workspace page explains what the agent uses them for.
        {Page::InputMonitoring, {}},
        {Page::ScreenCapture, {}},
    };
}

bool PermissionSettingsPages::isSettingsAddress(const std::string& url) {
    return url.rfind(kSettingsScheme, 0) == 0;
}

std::optional<PermissionSettingsPages::Page>
PermissionSettingsPages::pageOf(const std::string& url) {
    if (!isSettingsAddress(url)) {
        return std::nullopt;
    }
    const auto question = url.find('?');
    if (question == std::string::npos) {
        return std::nullopt;
    }
    const auto found = pagesByAnchor().find(url.substr(question + 1));
    if (found == pagesByAnchor().end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<PermissionSettingsPages::Destination>
PermissionSettingsPages::destinationFor(const std::string& url) const {
    const auto page = pageOf(url);
    if (!page) {
        return std::nullopt;
    }
    Destination destination;
    if (const auto programs = candidates_.find(*page); programs != candidates_.end()) {
        for (const auto& command : programs->second) {
            if (!command.empty() && isInstalled_(command.front())) {
                destination.command = command;
                break;
            }
        }
    }
    destination.url = fallbackURL_ ? fallbackURL_() : std::string();
    if (destination.command.empty() && destination.url.empty()) {
        return std::nullopt;
    }
    return destination;
}

} // namespace orvendi
