#pragma once

#include <memory>
#include <string>

#include "base/URL.h"
#include "platform/Windows.h"
#include "service/NativeSession.h"

namespace orvendi {

class Backend;
class Keychain;
class Scheduler;
class Workspace;

// The web workspace in a window of its own, already signed in: before the
// page's first script runs, the current session is put into the page's
// session storage, but only for the workspace's own origin. Links to other
// hosts open in the user's browser. Main thread only.
class WorkspaceController {
public:
    static constexpr const char* kWindowTitle = "Orvendi";
    static constexpr const char* kFirstPath = "/app";
    static constexpr double kLoadTimeout = 60;

    // `baseURL` is fixed for the controller's life. Loads kFirstPath.
    WorkspaceController(std::shared_ptr<Backend> api, Keychain& keychain, Windows& windows,
                        Workspace& workspace, const Scheduler& scheduler, URL baseURL);
    ~WorkspaceController();
    WorkspaceController(const WorkspaceController&) = delete;
    WorkspaceController& operator=(const WorkspaceController&) = delete;

    const URL& baseURL() const { return baseURL_; }

    // A fresh web view carrying the session as it is now (refreshed if due),
    // loading `path` under the base URL. Waits for any token refresh.
    void rebuildWebView(const std::string& path);
    void showWindow();
    bool isWindowVisible() const;

    // True lets the web view follow the navigation; otherwise it is cancelled,
    // and a link meant for another program is handed to the system.
    bool decideNavigation(const NavigationAction& action);

    // The page origin that may receive the session: scheme, host, and the port
    // when it is not the scheme's default.
    static std::string expectedOrigin(const URL& base);
    // {"access_token":…,"refresh_token":…} as compact JSON; the expiry stays here.
    static std::string handOverRecord(const NativeSession& session);
    // The one-line document-start script that stores the record for `origin`.
    static std::string pageScript(const std::string& origin, const std::string& base64Record);

private:
    std::optional<std::string> sessionScript();

    std::shared_ptr<Backend> api_;
    Keychain& keychain_;
    Workspace& workspace_;
    const Scheduler& scheduler_;
    URL baseURL_;
    std::unique_ptr<WorkspaceWindow> window_;
    std::shared_ptr<WorkspaceController*> self_;
};

} // namespace orvendi
