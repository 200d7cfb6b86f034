#include "app/AppDelegate.h"

#include "app/UUID.h"
#include "service/APIClient.h"
#include "ui/SignInController.h"
#include "ui/WorkspaceController.h"
#include "vault/VaultSync.h"

namespace orvendi {
std::shared_ptr<AppDelegate> AppDelegate::create(const Platform& platform) {
    return std::shared_ptr<AppDelegate>(new AppDelegate(platform));
}

AppDelegate::AppDelegate(const Platform& platform)
    : platform_(platform), recorder_(platform.audioInput, platform.scheduler, platform.files),
      fnMonitor_(platform.keyEvents, platform.scheduler),
      screenHUD_(platform.windows, platform.defaults, platform.scheduler) {}

AppDelegate::~AppDelegate() {
    if (nativeStatusTimer_) {
        nativeStatusTimer_->invalidate();
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    configureMainMenu();
    statusItem_ = platform_.application.createStatusItem();
    setIcon(kIdleSymbol, kIdleAccessibility);
    buildStatusMenu();
    statusItem_->setMenu(statusMenu_);

    const Config config = Config::load(platform_.files);
    api_ = std::make_shared<APIClient>(config, platform_.keychain, platform_.scheduler);
    try {
        api_->ensureToken();
    } catch (const std::exception&) {
        openSignIn(config);
        return;
    }
    finishAuthenticatedSetup(config, statusMenu_);
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows) {
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

void AppDelegate::setIcon(const std::string& symbol, const std::string& accessibility) {
    if (!statusItem_) {
        return;
    }
    // The red recording dot is the only coloured state; every other symbol is
    // drawn in the panel's own colour.
    const bool recording = symbol == kRecordingSymbol;
    statusItem_->setSymbol(symbol, accessibility, !recording);
    statusItem_->setTint(recording ? Tint::SystemRed : Tint::None);
}

void AppDelegate::openSignIn(const Config& config) {
    if (!api_) {
        return;
    }
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    signInController_ =
        SignInController::create(api_, platform_.windows, platform_.scheduler, [weakSelf, config] {
            auto self = weakSelf.lock();
            if (!self || !self->statusItem_) {
                return;
            }
            if (auto menu = self->statusItem_->menu()) {
                self->finishAuthenticatedSetup(config, menu);
            }
        });
    signInController_->showWindow();
    platform_.application.activate();
}

void AppDelegate::finishAuthenticatedSetup(const Config& config,
                                           const std::shared_ptr<Menu>& menu) {
    if (authenticatedSetupComplete_ || !api_) {
        return;
    }
    authenticatedSetupComplete_ = true;
    emitActivation("signed_in");

    vault_ = VaultSync::create(*api_, config.vault_dir, platform_.scheduler, platform_.files,
                               platform_.log);
    vault_->start();

    refreshMicrophonePermission(true);
    reportNativeStatus(true);
    if (nativeStatusTimer_) {
        nativeStatusTimer_->invalidate();
    }
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    constexpr double kStatusReportInterval = 10.0;
    nativeStatusTimer_ = platform_.scheduler.repeatingTimer(kStatusReportInterval, [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->reportNativeStatus(false);
        }
    });

    wireKeyMonitor();
    if (!fnMonitoring_) {
        fnMonitoring_ = fnMonitor_.start();
        if (fnMonitoring_) {
            emitActivation("shortcut_ready");
        } else {
            insertAccessibilityWarning(*menu);
        }
    }
    if (fnMonitoring_) {
        persistActivationStage(ActivationStage::ShortcutReady);
        emitActivation("shortcut_ready");
    }

    if (platform_.defaults.boolean(kActivationCompleteKey).value_or(false)) {
        showWorkspace("/app");
    } else {
        platform_.defaults.setBoolean(kActivationCompleteKey, true);
        showWorkspace("/settings");
    }
}

void AppDelegate::wireKeyMonitor() {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    auto onDown = [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->fnDown();
        }
    };
    auto onUp = [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->fnUp();
        }
    };
    // The Control variant dictates exactly like the plain gesture, and a running
    // dictation is never turned into a contextual one.
    fnMonitor_.onFnDown = onDown;
    fnMonitor_.onFnUp = onUp;
    fnMonitor_.onContextDown = onDown;
    fnMonitor_.onContextUp = onUp;
    fnMonitor_.onContextUpgrade = [] { return false; };
    fnMonitor_.onReleaseLost = [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->fnReleaseLost();
        }
    };
}

void AppDelegate::insertAccessibilityWarning(Menu& menu) {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    // Where the platform knows the one thing to do (a Wayland session), the
    // item says it.
    const std::string advice = platform_.keyEvents.monitorAdvice();
    const std::string title =
        advice.empty() ? "⚠ Grant Accessibility for the dictation key…" : "⚠ " + advice;
    menu.insertItem(0, title, [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->openAccessibilitySettings();
        }
    });
    menu.insertSeparator(1);
}

std::string AppDelegate::installationId() {
    if (auto stored = platform_.defaults.string(kInstallationIdKey); stored && isUUID(*stored)) {
        return *stored;
    }
    std::string fresh = makeLowercaseUUID();
    platform_.defaults.setString(kInstallationIdKey, fresh);
    return fresh;
}

InsertionServices AppDelegate::insertionServices() {
    return {platform_.scheduler, platform_.workspace, platform_.accessibility, platform_.pasteboard,
            platform_.keyEvents};
}

} // namespace orvendi
