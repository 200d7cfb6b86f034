#include "app/AppDelegate.h"

#include "app/ActivationReporter.h"
#include "app/DictationGestures.h"
#include "app/SettingsPages.h"
#include "app/StatusMenu.h"
#include "app/TranscriptDelivery.h"
#include "app/WorkspaceLinks.h"
#include "base/UUID.h"
#include "capture/Recorder.h"
#include "platform/MainThreadCheck.h"
#include "service/APIClient.h"
#include "ui/ScreenAwareHUD.h"
#include "ui/SignInController.h"
#include "vault/VaultSync.h"

namespace orvendi {

std::shared_ptr<AppDelegate> AppDelegate::create(const Platform& platform,
                                                 BackendFactory makeBackend) {
    if (!makeBackend) {
        makeBackend = [&keychain = platform.keychain,
                       &clock = platform.scheduler](const Config& config) {
            return std::make_shared<APIClient>(config, keychain, clock);
        };
    }
    return std::shared_ptr<AppDelegate>(new AppDelegate(platform, std::move(makeBackend)));
}

AppDelegate::AppDelegate(const Platform& platform, BackendFactory makeBackend)
    : platform_(platform), makeBackend_(std::move(makeBackend)),
      recorder_(
          std::make_shared<Recorder>(platform.audioInput, platform.scheduler, platform.files)),
      fnMonitor_(platform.keyEvents, platform.scheduler),
      screenHUD_(std::make_shared<ScreenAwareHUD>(platform.windows, platform.defaults,
                                                  platform.scheduler)) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    configureMainMenu();
    createStatusMenu();

    const Config config = Config::load(platform_.files);
    if (config.ca_file_ignored) {
        platform_.log.write("config.json: \"ca_file\" is not a path to a file; ignored");
    }
    api_ = makeBackend_(config);
    createCollaborators();
    try {
        api_->ensureToken();
    } catch (const std::exception&) {
        openSignIn(config);
        return;
    }
    finishAuthenticatedSetup(config, statusMenu_->menu());
}

void AppDelegate::applicationWillTerminate() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (api_) {
        api_->abortTransfers();
    }
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (!hasVisibleWindows) {
        showWorkspace("/app");
    }
    return true;
}

void AppDelegate::configureMainMenu() {
    Application& app = platform_.application;
    mainMenu_ = app.createMenu("");
    auto appMenu = mainMenu_->addSubmenu("Orvendi");
    appMenu->addItem("About Orvendi", [&app] { app.orderFrontAboutPanel(); }, {"", 0});
    appMenu->addSeparator();
    appMenu->addItem("Hide Orvendi", [&app] { app.hide(); }, {"h", kModifierCommand});
    appMenu->addItem("Hide Others", [&app] { app.hideOtherApplications(); },
                     {"h", kModifierCommand | kModifierOption});
    appMenu->addItem("Show All", [&app] { app.unhideAllApplications(); }, {"", 0});
    appMenu->addSeparator();
    appMenu->addItem("Quit Orvendi", [&app] { app.terminate(); }, {"q", kModifierCommand});

    auto windowMenu = mainMenu_->addSubmenu("Window");
    windowMenu->addItem("Minimize", [&app] { app.minimizeKeyWindow(); }, {"m", kModifierCommand});
    windowMenu->addItem("Zoom", [&app] { app.zoomKeyWindow(); }, {"", 0});
    app.setMainMenu(mainMenu_, windowMenu);
}

void AppDelegate::createStatusMenu() {
    StatusMenu::Commands commands{
        weakCommand(&AppDelegate::menuToggle), weakCommand(&AppDelegate::retrySavedRecording),
        weakCommand(&AppDelegate::copyLast), weakCommand(&AppDelegate::openHistory),
        weakCommand(&AppDelegate::openActivation)};
    statusMenu_ = StatusMenu::create(platform_.application, platform_.scheduler, platform_.log,
                                     recorder_, commands);
}

void AppDelegate::createCollaborators() {
    const InsertionServices services{platform_.scheduler, platform_.workspace,
                                     platform_.accessibility, platform_.pasteboard,
                                     platform_.keyEvents};
    reporter_ = std::make_shared<ActivationReporter>(api_, platform_.scheduler, platform_.privacy,
                                                     platform_.defaults, platform_.log);
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    // Each delivered transcript becomes a note: the vault picks it up soon.
    auto syncVaultSoon = [weakSelf] {
        auto self = weakSelf.lock();
        if (self && self->vault_) {
            self->vault_->syncSoon();
        }
    };
    delivery_ =
        std::make_shared<TranscriptDelivery>(api_, services, platform_.defaults, platform_.log,
                                             recorder_, screenHUD_, statusMenu_, syncVaultSoon);
    gestures_ = std::make_shared<DictationGestures>(services, platform_.privacy, recorder_,
                                                    screenHUD_, statusMenu_, delivery_, reporter_);
    links_ = std::make_unique<WorkspaceLinks>(api_, platform_.application, platform_.windows,
                                              platform_.workspace, platform_.keychain,
                                              platform_.files, platform_.scheduler);
}

void AppDelegate::openSignIn(const Config& config) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    signInController_ =
        SignInController::create(api_, platform_.windows, platform_.scheduler, [weakSelf, config] {
            auto self = weakSelf.lock();
            if (!self) {
                return;
            }
            if (auto menu = self->statusMenu_->currentMenu()) {
                self->finishAuthenticatedSetup(config, menu);
            }
        });
    signInController_->showWindow();
    platform_.application.activate();
}

void AppDelegate::finishAuthenticatedSetup(const Config& config,
                                           const std::shared_ptr<Menu>& menu) {
    if (authenticatedSetupComplete_) {
        return;
    }
    authenticatedSetupComplete_ = true;
    reporter_->emitActivation("signed_in");

    vault_ = VaultSync::create(api_, config.vault_dir, platform_.scheduler, platform_.files,
                               platform_.log);
    vault_->start();

    gestures_->refreshMicrophonePermission(true);
    reporter_->startNativeStatusReports();

    wireKeyMonitor();
    if (!fnMonitoring_) {
        fnMonitoring_ = fnMonitor_.start();
        if (fnMonitoring_) {
            reporter_->emitActivation("shortcut_ready");
        } else {
            StatusMenu::insertAccessibilityWarning(
                *menu, platform_.keyEvents.monitorAdvice(),
                weakCommand(&AppDelegate::openAccessibilitySettings));
        }
    }
    if (fnMonitoring_) {
        reporter_->persistActivationStage(ActivationStage::ShortcutReady);
        reporter_->emitActivation("shortcut_ready");
    }

    // The first signed-in launch opens the settings page, every later one the app.
    showWorkspace(reporter_->completeActivation() ? "/app" : "/settings");
}

void AppDelegate::wireKeyMonitor() {
    auto onDown = weakCommand(&AppDelegate::fnDown);
    auto onUp = weakCommand(&AppDelegate::fnUp);
    // The Control variant dictates exactly like the plain gesture, and a running
    // dictation is never turned into a contextual one.
    fnMonitor_.onFnDown = onDown;
    fnMonitor_.onFnUp = onUp;
    fnMonitor_.onContextDown = onDown;
    fnMonitor_.onContextUp = onUp;
    fnMonitor_.onContextUpgrade = [] { return false; };
    fnMonitor_.onReleaseLost = weakCommand(&AppDelegate::fnReleaseLost);
}

std::function<void()> AppDelegate::weakCommand(void (AppDelegate::*command)()) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    return [weakSelf, command] {
        if (auto self = weakSelf.lock()) {
            ((*self).*command)();
        }
    };
}

std::function<void(double)> AppDelegate::weakCommand(void (AppDelegate::*command)(double)) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    return [weakSelf, command](double at) {
        if (auto self = weakSelf.lock()) {
            ((*self).*command)(at);
        }
    };
}

void AppDelegate::openURLs(const std::vector<std::string>& urls) {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (links_) {
        links_->openURLs(urls);
    }
}

void AppDelegate::fnDown(double at) {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (gestures_) {
        gestures_->fnDown(at);
    }
}

void AppDelegate::fnUp(double at) {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (gestures_) {
        gestures_->fnUp(at);
    }
}

void AppDelegate::fnReleaseLost() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (gestures_) {
        gestures_->fnReleaseLost();
    }
}

void AppDelegate::menuToggle() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (gestures_) {
        gestures_->menuToggle();
    }
}

void AppDelegate::retrySavedRecording() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (delivery_) {
        delivery_->retrySavedRecording();
    }
}

void AppDelegate::copyLast() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (delivery_) {
        delivery_->copyLast();
    }
}

void AppDelegate::openHistory() {
    showWorkspace("/app");
}

void AppDelegate::openActivation() {
    showWorkspace("/settings");
}

void AppDelegate::openAccessibilitySettings() {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    SettingsPages::open(platform_.workspace, "accessibility");
}

void AppDelegate::showWorkspace(const std::string& path) {
    ORVENDI_ASSERT_MAIN_THREAD(platform_.scheduler);
    if (links_) {
        links_->showWorkspace(path);
    }
}

std::string AppDelegate::installationId() {
    return ActivationReporter::installationId(platform_.defaults);
}

std::optional<std::string> AppDelegate::lastText() const {
    return delivery_ ? delivery_->lastText() : std::nullopt;
}

bool AppDelegate::isRecording() const {
    return recorder_->isRecording();
}

bool AppDelegate::isLocked() const {
    return gestures_ && gestures_->isLocked();
}

std::shared_ptr<Menu> AppDelegate::statusMenu() const {
    return statusMenu_ ? statusMenu_->menu() : nullptr;
}

} // namespace orvendi
