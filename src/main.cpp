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
#include "service/Config.h"

namespace {

using namespace orvendi;

// Everything the agent runs on, created in dependency order on the main thread
// after the QApplication object, and destroyed after the delegate.
struct LinuxDesktop {
    explicit LinuxDesktop(QtApplication& qtApplication)
        : application(qtApplication), log("orvendi"), windows(defaults), keychain(log),
          desktop(Config::load(files).dictation_key, [this] { return microphone.authorization(); },
                  [this] { return Config::load(files).api_url + "/settings"; }) {}

    Platform platform() {
        return Platform{scheduler,    application,           windows,          desktop.workspace,
                        pasteboard,   desktop.accessibility, desktop.keyEvents, desktop.privacy,
                        audioInput,   keychain,              defaults,         files,
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
};

} // namespace

int main(int argc, char** argv) {
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
    services->scheduler.mainAsync([delegate] { delegate->applicationDidFinishLaunching(); });
    const int status = application.run();
    delegate.reset();
    return status;
}
