// Links of the "orvendi" scheme and opening the web workspace.
#include "app/AppDelegate.h"

#include "app/OrvendiLink.h"
#include "service/APIClient.h"
#include "base/URL.h"
#include "ui/WorkspaceController.h"

namespace orvendi {
namespace {

std::string trimmedSlashes(const std::string& path) {
    const size_t first = path.find_first_not_of('/');
    if (first == std::string::npos) {
        return {};
    }
    return path.substr(first, path.find_last_not_of('/') - first + 1);
}

bool isLoopbackHost(const std::optional<std::string>& host) {
    return host && (*host == "localhost" || *host == "127.0.0.1");
}

// Where the workspace pages come from: a loopback api_url serves them itself; any
// other goes to the deployment's web origin, or, when the build has none, to the
// api_url's own origin (orvendi-server serves API and pages together).
std::optional<URL> workspaceBase(const URL& apiURL) {
    const std::string productionOrigin = ORVENDI_WORKSPACE_ORIGIN;
    if (isLoopbackHost(apiURL.host) || productionOrigin.empty()) {
        return apiURL;
    }
    return URL::parse(productionOrigin);
}

} // namespace

void AppDelegate::openURLs(const std::vector<std::string>& urls) {
    if (urls.empty()) {
        return;
    }
    const auto link = OrvendiLink::parse(urls.front());
    if (!link || link->scheme != "orvendi" || link->host != "permissions") {
        return;
    }
    const std::string permission = trimmedSlashes(link->path);
    if (permission == "microphone" || permission == "accessibility" ||
        permission == "input-monitoring" || permission == "screen-recording") {
        openSettingsPage(permission);
    } else {
        showWorkspace("/settings");
    }
}

void AppDelegate::showWorkspace(const std::string& path) {
    if (!api_) {
        return;
    }
    const Config config = Config::load(platform_.files);
    const auto apiURL = URL::parse(config.api_url);
    if (!apiURL) {
        return;
    }
    if (!workspaceController_) {
        const auto base = workspaceBase(*apiURL);
        if (!base) {
            return;
        }
        workspaceController_ = std::make_unique<WorkspaceController>(
            api_, platform_.keychain, platform_.windows, platform_.workspace, *base);
    }
    workspaceController_->rebuildWebView(path);
    workspaceController_->showWindow();
    platform_.application.activate();
}

} // namespace orvendi
