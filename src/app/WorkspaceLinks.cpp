#include "app/WorkspaceLinks.h"

#include "app/OrvendiLink.h"
#include "app/SettingsPages.h"
#include "base/URL.h"
#include "platform/Application.h"
#include "service/APIClient.h"
#include "service/Backend.h"
#include "service/Config.h"
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

} // namespace

// A loopback api_url serves the pages itself; any other goes to the
// deployment's web origin, or, when the build has none, to the api_url's own
// origin (orvendi-server serves API and pages together).
std::optional<URL> WorkspaceLinks::workspaceBase(const std::string& apiURL) {
    const auto parsed = URL::parse(apiURL);
    // "http:/app" or a relative path parses, but is nowhere to go.
    if (!parsed || !parsed->host || parsed->host->empty()) {
        return std::nullopt;
    }
    const std::string productionOrigin = ORVENDI_WORKSPACE_ORIGIN;
    if (isLoopbackHost(parsed->host) || productionOrigin.empty()) {
        return parsed;
    }
    return URL::parse(productionOrigin);
}

std::string WorkspaceLinks::pageAddress(const std::string& apiURL, const std::string& path) {
    const auto base = workspaceBase(apiURL);
    const auto page = base ? base->resolve(path) : std::nullopt;
    return page ? page->toString() : std::string();
}

WorkspaceLinks::WorkspaceLinks(std::shared_ptr<Backend> backend, Application& application,
                               Windows& windows, Workspace& workspace, Keychain& keychain,
                               const Files& files, const Scheduler& scheduler)
    : backend_(std::move(backend)), application_(application), windows_(windows),
      workspace_(workspace), keychain_(keychain), files_(files), scheduler_(scheduler) {}

WorkspaceLinks::~WorkspaceLinks() = default;

void WorkspaceLinks::openURLs(const std::vector<std::string>& urls) {
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
        SettingsPages::open(workspace_, permission);
    } else {
        showWorkspace("/settings");
    }
}

void WorkspaceLinks::showWorkspace(const std::string& path) {
    const Config config = Config::load(files_);
    const auto base = workspaceBase(config.api_url);
    if (!base) {
        return;
    }
    if (!workspaceController_) {
        workspaceController_ = std::make_unique<WorkspaceController>(backend_, keychain_, windows_,
                                                                     workspace_, scheduler_, *base);
    }
    workspaceController_->rebuildWebView(path);
    workspaceController_->showWindow();
    application_.activate();
}

} // namespace orvendi
