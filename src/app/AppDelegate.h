#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/ActivationStage.h"
#include "capture/Recorder.h"
#include "input/FnKeyMonitor.h"
#include "input/InsertionTarget.h"
#include "platform/Platform.h"
#include "service/Config.h"
#include "ui/ScreenAwareHUD.h"

namespace orvendi {

class APIClient;
class SignInController;
class VaultSync;
class WorkspaceController;
struct TranscriptionReceipt;

// The one object that owns the agent: the status item and its menu, the
// recorder, the key monitor, the HUD, the backend client, the vault
// synchroniser and the two windows. It turns key gestures and menu commands into
// recordings, delivers their transcripts where the user was typing, opens the
// workspace and reports activation milestones and permission status.
//
// Everything here runs on the main thread; background work hands its results
// back through the scheduler. Callbacks that may outlive the delegate hold it
// weakly, so it must be owned by a std::shared_ptr (use create()).
class AppDelegate : public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr double kHoldThreshold = 0.35;
    static constexpr double kDoubleTapWindow = 0.45;
    static constexpr const char* kActivationStageKey = "activationStage";
    static constexpr const char* kFirstThoughtKey = "activationFirstThoughtId";
    static constexpr const char* kActivationCompleteKey = "activationComplete";
    static constexpr const char* kInstallationIdKey = "installationId";

    // Sets every field to its initial value; nothing is shown, read or started.
    static std::shared_ptr<AppDelegate> create(const Platform& platform);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Application callbacks.
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    void openURLs(const std::vector<std::string>& urls);

    // Key gestures (the monitor's callbacks) and menu commands.
    void fnDown();
    void fnUp();
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
    const std::optional<std::string>& lastText() const { return lastText_; }
    bool isRecording() const { return recorder_.isRecording(); }
    bool isLocked() const { return locked_; }
    const std::shared_ptr<Menu>& statusMenu() const { return statusMenu_; }
    const std::shared_ptr<APIClient>& api() const { return api_; }
    const std::shared_ptr<VaultSync>& vault() const { return vault_; }
    bool authenticatedSetupComplete() const { return authenticatedSetupComplete_; }

private:
    static constexpr const char* kIdleSymbol = "waveform";
    static constexpr const char* kIdleAccessibility = "Dictation idle";
    static constexpr const char* kRecordingSymbol = "record.circle.fill";
    static constexpr const char* kRecordingAccessibility = "Recording";
    static constexpr const char* kStartTitle = "Start recording";
    static constexpr const char* kStopTitle = "Stop & transcribe";

    explicit AppDelegate(const Platform& platform);

    // Launch and signed-in setup.
    void configureMainMenu();
    void buildStatusMenu();
    void setIcon(const std::string& symbol, const std::string& accessibility);
    void openSignIn(const Config& config);
    void finishAuthenticatedSetup(const Config& config, const std::shared_ptr<Menu>& menu);
    void wireKeyMonitor();
    void insertAccessibilityWarning(Menu& menu);

    // Dictation control.
    bool startRecording();
    void stopAndTranscribe();
    void fail(const std::string& message);
    void flash(const std::string& symbol);
    void scheduleIconReset(double seconds);
    void showCurrentRecordingState();
    void setToggleTitle(const std::string& title);
    void refreshMicrophonePermission(bool requestIfNeeded);
    std::optional<InsertionTarget> captureTarget();

    // Transcript delivery.
    void submit(Recording recording, std::optional<InsertionTarget> target);
    void deliver(const TranscriptionReceipt& receipt, const Recording& recording,
                 const std::optional<InsertionTarget>& target);
    void reportSilence(const std::optional<std::filesystem::path>& archivedAt);
    void reportFailure(const std::string& description, const Recording& recording);
    void updateRetryItem();

    // Activation tracking and status reports.
    void emitActivation(const std::string& event);
    void persistActivationStage(ActivationStage stage);
    void reportNativeStatus(bool force);

    void openSettingsPage(const std::string& permission);
    InsertionServices insertionServices();

    Platform platform_;

    std::shared_ptr<StatusItem> statusItem_;
    std::shared_ptr<Menu> statusMenu_;
    std::shared_ptr<MenuItem> toggleItem_;
    Recorder recorder_;
    FnKeyMonitor fnMonitor_;
    std::shared_ptr<APIClient> api_;
    std::shared_ptr<VaultSync> vault_;
    std::optional<std::string> lastText_;
    std::shared_ptr<MenuItem> copyLastItem_;
    std::shared_ptr<MenuItem> retryRecordingItem_;
    // Where the recording in progress will paste; it travels with the recording
    // when it is submitted, so each transcript lands in its own field.
    std::optional<InsertionTarget> dictationTarget_;
    ScreenAwareHUD screenHUD_;
    std::shared_ptr<SignInController> signInController_;
    std::unique_ptr<WorkspaceController> workspaceController_;
    bool fnMonitoring_ = false;
    bool authenticatedSetupComplete_ = false;
    std::set<std::string> emittedActivationEvents_;
    std::shared_ptr<Timer> nativeStatusTimer_;
    std::string lastNativeStatusSignature_;
    double lastNativeStatusReport_ = kDistantPast;
    std::optional<double> fnDownAt_;
    double lastQuickTapAt_ = kDistantPast;
    bool locked_ = false;
    // The key monitor's state machine and the main menu live as long as this.
    std::shared_ptr<Menu> mainMenu_;
};

} // namespace orvendi
