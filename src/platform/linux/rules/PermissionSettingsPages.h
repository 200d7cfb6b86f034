#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvendi {

// The agent names its permission pages with the system-settings addresses it
// was designed with. Linux has no such pages: this maps each one to the first
// installed settings program that helps (sound input for the microphone, the
// desktop's accessibility panel), or else to the workspace's settings page.
class PermissionSettingsPages {
public:
    enum class Page { Microphone, Accessibility, InputMonitoring, ScreenCapture };

    // Where a page leads: the settings program to start (argv, empty when none
    // is installed) and the address to open when there is no program or it
    // fails to start (empty when there is none).
    struct Destination {
        std::vector<std::string> command;
        std::string url;
        bool operator==(const Destination&) const = default;
    };

    using Candidates = std::map<Page, std::vector<std::vector<std::string>>>;

    // `fallbackURL` answers the workspace settings address (empty when there is
    // none); `isInstalled` tells whether a program can be started.
    PermissionSettingsPages(Candidates candidates, std::function<std::string()> fallbackURL,
                            std::function<bool(const std::string& program)> isInstalled);

    // The settings programs of the common Linux desktops.
    static Candidates desktopPrograms();

    static std::optional<Page> pageOf(const std::string& url);
    static bool isSettingsAddress(const std::string& url);

    // Absent when the address is not a settings page or nothing can show it.
    std::optional<Destination> destinationFor(const std::string& url) const;

private:
    Candidates candidates_;
    std::function<std::string()> fallbackURL_;
    std::function<bool(const std::string&)> isInstalled_;
};

} // namespace orvendi
