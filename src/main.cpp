// The desktop agent: the Linux services on Qt and X11, and the one AppDelegate.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "AgentCommandLine.h"
#include "app/AppDelegate.h"
#include "app/WorkspaceLinks.h"
#include "base/Error.h"
#include "platform/linux/X11DesktopServices.h"
#include "platform/linux/keys/CommandKeyEvents.h"
#include "platform/linux/keys/DesktopSession.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/pulse/PulseMicrophoneProbe.h"
#include "platform/linux/qt/QtApplication.h"
#include "platform/linux/qt/QtPasteboard.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/qt/QtWindows.h"
#include "platform/linux/secret/SecretServiceKeychain.h"
#include "platform/linux/system/SettingsDefaults.h"
#include "platform/linux/system/StderrLog.h"
#include "platform/linux/system/XdgFiles.h"
#include "platform/linux/wayland/DictationCommand.h"
#include "platform/linux/wayland/WaylandDesktopServices.h"
#include "service/Config.h"

namespace {

using namespace orvendi;

// Everything the agent runs on, created in dependency order on the main thread
// after the QApplication object, and destroyed after the delegate.
struct LinuxDesktop {
    explicit LinuxDesktop(QtApplication& qtApplication)
        : application(qtApplication), log("orvendi"), windows(defaults), keychain(log),
          desktop(
              scheduler, Config::load(files, &log).dictation_key,
              [this] { return microphone.authorization(); },
              [this] {
                  return WorkspaceLinks::pageAddress(Config::load(files).api_url, "/settings");
              }),
          wayland(waylandServices()),
          keyEvents(wayland ? static_cast<KeyEvents&>(wayland->keyEvents) : desktop.keyEvents,
                    scheduler) {}

    // On Wayland the dictation key needs a source of its own, and on sway, GNOME
    // and KDE the text its own way into native windows; the rest runs through
    // XWayland.
    std::unique_ptr<WaylandDesktopServices> waylandServices() {
        const auto session = DesktopSession::detect(DesktopSession::processEnvironment());
        if (!session.wayland) {
            log.write("Orvendi session: " + session.describe());
            return nullptr;
        }
        return std::make_unique<WaylandDesktopServices>(session, Config::load(files).dictation_key,
                                                        desktop, files, scheduler, log);
    }
    Privacy& privacy() {
        return wayland ? static_cast<Privacy&>(wayland->privacy) : desktop.privacy;
    }
    Workspace& workspace() { return wayland ? wayland->workspace() : desktop.workspace; }
    Pasteboard& pasteboard() { return wayland ? wayland->pasteboard() : desktop.pasteboard; }

    Platform platform() {
        return Platform{
            scheduler, application, windows,    workspace(), pasteboard(), desktop.accessibility,
            keyEvents, privacy(),   audioInput, keychain,    defaults,     files,
            log};
    }

    QtApplication& application;
    StderrLog log;
    XdgFiles files;
    SettingsDefaults defaults;
    QtScheduler scheduler;
    QtWindows windows;
    SecretServiceKeychain keychain;
    PulseAudioInput audioInput;
    PulseMicrophoneProbe microphone;
    X11DesktopServices desktop;
    std::unique_ptr<WaylandDesktopServices> wayland;
    // `orvendi --dictation press|release` joins the session's key monitor.
    CommandKeyEvents keyEvents;
};

// Answers --help, --version and mistaken options; an exit status when the
// agent must not start.
std::optional<int> answerCommandLine(int argc, char** argv) {
    const auto command = AgentCommandLine::parse({argv + std::min(argc, 1), argv + argc});
    switch (command.action) {
    case AgentCommandLine::Action::Run:
        return std::nullopt;
    case AgentCommandLine::Action::ShowHelp:
        std::fputs(AgentCommandLine::usage().c_str(), stdout);
        return 0;
    case AgentCommandLine::Action::ShowVersion:
        std::fputs(AgentCommandLine::version().c_str(), stdout);
        return 0;
    case AgentCommandLine::Action::UsageError:
        std::fprintf(stderr, "orvendi: %s\n%s", command.problem.c_str(),
                     AgentCommandLine::usage().c_str());
        return 2;
    }
    return std::nullopt;
}

// An `orvendi --dictation` command: "press 1733500000.250", the gesture and
// when its command ran.
void handleDictationRequest(AppDelegate& delegate, CommandKeyEvents& keyEvents,
                            const QString& request) {
    const QStringList parts = request.split(' ');
    const QString gesture = parts.value(0);
    bool stamped = false;
    const double ranAt = parts.value(1).toDouble(&stamped);
    const auto at = stamped ? std::optional(ranAt) : std::nullopt;
    if (gesture == QStringLiteral("toggle")) {
        delegate.menuToggle();
    } else if (gesture == QStringLiteral("press")) {
        keyEvents.press(at);
    } else if (gesture == QStringLiteral("release")) {
        keyEvents.release(at);
    }
}

} // namespace

int main(int argc, char** argv) {
    // `orvendi --dictation ...` talks to the running agent and needs no display.
    if (const auto status = DictationCommand::run(argc, argv)) {
        return *status;
    }
    if (const auto status = answerCommandLine(argc, argv)) {
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
                     &application, [weakDelegate, &services](const QString& request) {
                         if (auto self = weakDelegate.lock()) {
                             handleDictationRequest(*self, services->keyEvents, request);
                         }
                     });
    services->scheduler.mainAsync([delegate] { delegate->applicationDidFinishLaunching(); });
    const int status = application.run();
    // Quitting must not wait for the network: transfers on their way are
    // aborted (their recordings stay saved for the next launch). Then the
    // background work ends, while the keychain, windows and audio it may still
    // touch exist, and only then do the delegate and those services go.
    delegate->applicationWillTerminate();
    services->scheduler.finishBackgroundWork();
    services->scheduler.dropMainTasks();
    delegate.reset();
    services.reset();
    return status;
}
