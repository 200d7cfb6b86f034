// The desktop agent: the Linux services on Qt and X11, and the one AppDelegate.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/AppDelegate.h"
#include "platform/Error.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseMicrophoneProbe.h"
#include "platform/linux/SecretServiceKeychain.h"
#include "platform/linux/SettingsDefaults.h"
#include "platform/linux/StderrLog.h"
#include "platform/linux/XdgFiles.h"
#include "platform/linux/desktop/QtApplication.h"
#include "platform/linux/desktop/QtPasteboard.h"
#include "platform/linux/desktop/QtScheduler.h"
#include "platform/linux/desktop/QtWindows.h"
#include "platform/linux/desktop/X11DesktopServices.h"
#include "platform/linux/keys/CommandKeyEvents.h"
#include "platform/linux/keys/DesktopSession.h"
#include "platform/linux/wayland/DictationCommand.h"
#include "platform/linux/wayland/WaylandDesktopServices.h"
#include "service/Config.h"

namespace {

using namespace orvendi;

// Everything the agent runs on, created in dependency order on the main thread
// after the QApplication object, and destroyed after the delegate.
struct LinuxDesktop {
    explicit LinuxDesktop(QtApplication& application)
        : application(application), log("orvendi"), windows(defaults), keychain(log),
          desktop(
              Config::load(files).dictation_key, [this] { return microphone.authorization(); },
              [this] { return Config::load(files).api_url + "/settings"; }),
          wayland(waylandServices()),
          keyEvents(wayland ? static_cast<KeyEvents&>(wayland->keyEvents) : desktop.keyEvents,
                    scheduler) {}

    // On Wayland the dictation key needs a source of its own; everything else
    // runs through XWayland.
    std::unique_ptr<WaylandDesktopServices> waylandServices() {
        const auto session = DesktopSession::detect(DesktopSession::processEnvironment());
        if (!session.wayland) {
            log.write("Orvendi session: " + session.describe());
            return nullptr;
        }
        return std::make_unique<WaylandDesktopServices>(session, Config::load(files).dictation_key,
                                                        desktop, scheduler, log);
    }
    Privacy& privacy() {
        return wayland ? static_cast<Privacy&>(wayland->privacy) : desktop.privacy;
    }

    Platform platform() {
        return Platform{scheduler,  application,
                        windows,    desktop.workspace,
                        pasteboard, desktop.accessibility,
                        keyEvents,  privacy(),
                        audioInput, keychain,
                        defaults,   files,
                        log};
    }

    QtApplication& application;
    StderrLog log;
    XdgFiles files;
    SettingsDefaults defaults;
    QtScheduler scheduler;
    QtWindows windows;
    QtPasteboard pasteboard;
    SecretServiceKeychain keychain;
    PulseAudioInput audioInput;
    PulseMicrophoneProbe microphone;
    X11DesktopServices desktop;
    std::unique_ptr<WaylandDesktopServices> wayland;
    // `orvendi --dictation press|release` joins the session's key monitor.
    CommandKeyEvents keyEvents;
};

} // namespace

int main(int argc, char** argv) {
    if (const auto status = DictationCommand::run(argc, argv)) {
        return *status;
    }
    QtApplication::prepare();
    QApplication qt(argc, argv);
    QtApplication application(qt.arguments());
    if (!application.claimSingleInstance()) {
        return 0; // the running agent took this launch's link or reopen
    }
    std::unique_ptr<LinuxDesktop> services;
    try {
        services = std::make_unique<LinuxDesktop>(application);
    } catch (const orvendi::Error& error) {
        std::fprintf(stderr, "orvendi: %s\n", error.what());
        return 1;
    }
    auto delegate = AppDelegate::create(services->platform());
    std::weak_ptr<AppDelegate> weakDelegate = delegate;
    application.setReopenHandler([weakDelegate](bool hasVisibleWindows) {
        if (auto self = weakDelegate.lock()) {
            self->applicationShouldHandleReopen(hasVisibleWindows);
        }
    });
    application.setOpenURLsHandler([weakDelegate](const std::vector<std::string>& urls) {
        if (auto self = weakDelegate.lock()) {
            self->openURLs(urls);
        }
    });
    QObject::connect(&application.singleInstance(), &SingleInstance::dictationRequested,
                     &application, [weakDelegate, &services](const QString& gesture) {
                         auto self = weakDelegate.lock();
                         if (!self) {
                             return;
                         }
                         if (gesture == QStringLiteral("toggle")) {
                             self->menuToggle();
                         } else if (gesture == QStringLiteral("press")) {
                             services->keyEvents.press();
                         } else if (gesture == QStringLiteral("release")) {
                             services->keyEvents.release();
                         }
                     });
    services->scheduler.mainAsync([delegate] { delegate->applicationDidFinishLaunching(); });
    const int status = application.run();
    delegate.reset();
    return status;
}
