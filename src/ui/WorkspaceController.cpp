#include "ui/WorkspaceController.h"

#include <algorithm>
#include <array>

#include <nlohmann/json.hpp>

#include "base/Base64.h"
#include "platform/MainThreadCheck.h"
#include "platform/Workspace.h"
#include "service/Backend.h"
#include "service/SessionStore.h"

namespace orvendi {

namespace {

// Other programs' links the workspace page may offer: web pages, e-mail, and
// the agent's own "orvendi:" links (the settings page's permission buttons).
// Anything else (a blank frame, a script address) stays inside the view.
bool isHandedToTheSystem(const URL& url) {
    static constexpr std::array<std::string_view, 3> kLinkSchemes{"http", "https", "orvendi"};
    if (url.scheme == "mailto") {
        return true;
    }
    return url.host &&
           std::find(kLinkSchemes.begin(), kLinkSchemes.end(), url.scheme) != kLinkSchemes.end();
}

} // namespace

WorkspaceController::WorkspaceController(std::shared_ptr<Backend> api, Keychain& keychain,
                                         Windows& windows, Workspace& workspace,
                                         const Scheduler& scheduler, URL baseURL)
    : api_(std::move(api)), keychain_(keychain), workspace_(workspace), scheduler_(scheduler),
      baseURL_(std::move(baseURL)), window_(windows.createWorkspaceWindow()),
      self_(std::make_shared<WorkspaceController*>(this)) {
    window_->setTitle(kWindowTitle);
    std::weak_ptr<WorkspaceController*> weakSelf = self_;
    window_->setNavigationHandler([weakSelf](const NavigationAction& action) {
        auto self = weakSelf.lock();
        return self && (*self)->decideNavigation(action);
    });
    rebuildWebView(kFirstPath);
}

WorkspaceController::~WorkspaceController() = default;

void WorkspaceController::rebuildWebView(const std::string& path) {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    window_->rebuildWebView(sessionScript());
    const auto url = baseURL_.resolve(path.starts_with("/") ? path : "/" + path);
    if (!url) {
        return; // the fresh, empty view stays
    }
    window_->load(url->toString(), kLoadTimeout);
}

std::optional<std::string> WorkspaceController::sessionScript() {
    // Every failure leaves the page without a session: it then offers its own
    // sign-in.
    try {
        api_->ensureToken();
        const auto session = SessionStore::load(keychain_);
        if (!session) {
            return std::nullopt;
        }
        return pageScript(expectedOrigin(baseURL_), Base64::encode(handOverRecord(*session)));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void WorkspaceController::showWindow() {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    window_->show();
}

bool WorkspaceController::isWindowVisible() const {
    return window_->isVisible();
}

bool WorkspaceController::decideNavigation(const NavigationAction& action) {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    if (!action.url) {
        return false;
    }
    const auto url = URL::parse(*action.url);
    if (!url) {
        return false;
    }
    // Hosts only: the page script guards the session by whole origin.
    if (url->host && url->host == baseURL_.host) {
        return true;
    }
    if (isHandedToTheSystem(*url)) {
        workspace_.openURL(*action.url);
    }
    return false;
}

std::string WorkspaceController::expectedOrigin(const URL& base) {
    const std::string scheme = base.scheme.empty() ? "https" : base.scheme;
    std::string origin = scheme + "://" + base.hostForAddress();
    // A page's origin names its port unless it is the scheme's default, as the
    // local workspace on port 3000 does.
    if (base.port && base.port != URL::defaultPort(scheme)) {
        origin += ':';
        origin += std::to_string(*base.port);
    }
    return origin;
}

std::string WorkspaceController::handOverRecord(const NativeSession& session) {
    return nlohmann::json{{"access_token", session.accessToken},
                          {"refresh_token", session.refreshToken}}
        .dump();
}

std::string WorkspaceController::pageScript(const std::string& origin,
                                            const std::string& base64Record) {
    return "if (window.location.origin === '" + origin +
           "') { window.sessionStorage.setItem('orvendi.native-session', window.atob('" +
           base64Record + "')); }";
}

} // namespace orvendi
