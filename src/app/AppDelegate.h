#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/FnKeyMonitor.h"
#include "platform/Platform.h"
#include "service/Config.h"

namespace orvendi {

class ActivationReporter;
class Backend;
class DictationGestures;
class Menu;
class Recorder;
class ScreenAwareHUD;
class SignInController;
class StatusMenu;
class TranscriptDelivery;
class VaultSync;
class WorkspaceLinks;

// The one object that owns the agent. It launches it (menus, the backend
// client, sign-in, the signed-in setup) and wires the collaborators that do
// the work: DictationGestures turns key presses and the menu toggle into
// recordings, TranscriptDelivery takes them to the focused field,
// StatusMenu shows the state, ActivationReporter reports milestones and
// permissions, WorkspaceLinks opens links and the workspace.
//
// Everything here runs on the main thread; background work hands its results
// back through the scheduler. Callbacks that may outlive the delegate hold it
// weakly, so it must be owned by a std::shared_ptr (use create()).
class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
public:
    // Makes the backend client from the configuration read at launch.
    using BackendFactory = std::function<std::shared_ptr<Backend>(const Config&)>;

    // Nothing is shown, read or started. Without a factory the backend is the
    // HTTP client with the platform's keychain and clock.
    static std::shared_ptr<AppDelegate> create(const Platform& platform,
                                               BackendFactory makeBackend = {});
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Application callbacks.
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // The event loop has ended: requests still on their way are abandoned
    // rather than awaited, so the background work that makes them ends at once.
    // A recording whose upload is cut off stays saved for the next launch.
    void applicationWillTerminate();
    void openURLs(const std::vector<std::string>& urls);

    // Key gestures (the monitor's callbacks, `at` when the key moved) and menu
    // commands; before launch they do nothing.
    void fnDown(double at);
    void fnUp(double at);
    // The key source lost the release of a held key.
    void fnReleaseLost();
    void menuToggle();
    void retrySavedRecording();
    void copyLast();
    void openHistory();
    void openActivation();
    void openAccessibilitySettings();

    void showWorkspace(const std::string& path);
    std::string installationId();

    // Read-only views for the shell and for tests.
    std::optional<std::string> lastText() const;
    bool isRecording() const;
    bool isLocked() const;
    std::shared_ptr<Menu> statusMenu() const;
    const std::shared_ptr<Backend>& api() const { return api_; }
    const std::shared_ptr<VaultSync>& vault() const { return vault_; }
    bool authenticatedSetupComplete() const { return authenticatedSetupComplete_; }

private:
    AppDelegate(const Platform& platform, BackendFactory makeBackend);

    void configureMainMenu();
    void createStatusMenu();
    void createCollaborators();
    void openSignIn(const Config& config);
    void finishAuthenticatedSetup(const Config& config, const std::shared_ptr<Menu>& menu);
    void wireKeyMonitor();
    // A command of this delegate as an action that holds it weakly.
    std::function<void()> weakCommand(void (AppDelegate::*command)());
    std::function<void(double)> weakCommand(void (AppDelegate::*command)(double));

    Platform platform_;
    BackendFactory makeBackend_;
    std::shared_ptr<Recorder> recorder_;
    FnKeyMonitor fnMonitor_;
    std::shared_ptr<ScreenAwareHUD> screenHUD_;
    std::shared_ptr<StatusMenu> statusMenu_;
    std::shared_ptr<Backend> api_;
    std::shared_ptr<ActivationReporter> reporter_;
    std::shared_ptr<TranscriptDelivery> delivery_;
    std::shared_ptr<DictationGestures> gestures_;
    std::unique_ptr<WorkspaceLinks> links_;
    std::shared_ptr<VaultSync> vault_;
    std::shared_ptr<SignInController> signInController_;
    bool fnMonitoring_ = false;
    bool authenticatedSetupComplete_ = false;
    // The main menu lives as long as this.
    std::shared_ptr<Menu> mainMenu_;
};

} // namespace orvendi
