// Qt first: the X11 headers define macros (Bool, Status) that break Qt's.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "platform/linux/wayland/WaylandDesktopServices.h"

#include <X11/Xlib.h>
#include <filesystem>

#include "platform/Log.h"
#include "platform/linux/X11DesktopServices.h"
#include "platform/linux/wayland/EvdevKeySource.h"
#include "platform/linux/wayland/PortalCalls.h"
#include "platform/linux/wayland/PortalKeySource.h"
#include "platform/linux/wayland/SwayKeySource.h"

namespace orvendi {
namespace {

// XKB's evdev keycodes are the kernel's key codes plus this.
constexpr int kEvdevKeycodeOffset = 8;
// The portal starts on demand; a session without one must not hold up launch.
constexpr int kPortalProbeTimeoutMs = 3000;

std::string keysymName(const DictationKey& key) {
    const char* name = XKeysymToString(key.keysym());
    return name != nullptr ? name : DictationKey::kDefaultName;
}

std::set<int> linuxKeyCodes(XConnection& x, const DictationKey& key) {
    std::set<int> codes;
    for (KeyCode keycode : x.keycodesOf(key.keysym())) {
        codes.insert(int(keycode) - kEvdevKeycodeOffset);
    }
    return codes;
}

// The version of one interface of the session's portal, 0 without it.
unsigned portalInterfaceVersion(const QString& interface) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        portal::kService, portal::kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, kPortalProbeTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return 0;
    }
    return reply.arguments().front().value<QDBusVariant>().variant().toUInt();
}

bool inputDevicesPresent() {
    std::error_code error;
    return std::filesystem::exists(EvdevKeySource::kInputFolder, error);
}

// One sentence for the status menu: the one thing that gives this session a
// dictation key.
std::string adviceFor(unsigned portalVersion, bool keyboardsReadable) {
    const std::string shortcut = "add a keyboard shortcut that runs: orvendi --dictation toggle";
    if (inputDevicesPresent() && !keyboardsReadable) {
        return "For the dictation key join the input group (sudo usermod -aG input $USER, then "
               "log in again), or " +
               shortcut;
    }
    if (portalVersion > 0) {
        return "Confirm the Orvendi dictation shortcut when the desktop asks, or " + shortcut;
    }
    return "For the dictation key " + shortcut;
}

struct SessionKeySources {
    std::vector<std::unique_ptr<KeySource>> sources;
    std::string advice;
};

SessionKeySources keySourcesFor(const DesktopSession& session, const DictationKey& key,
                                XConnection& x, Scheduler& scheduler, Log& log) {
    const unsigned portalVersion =
        portalInterfaceVersion(QStringLiteral("org.freedesktop.portal.GlobalShortcuts"));
    const bool keyboardsReadable = EvdevKeySource::keyboardsReadable();
    log.write("Orvendi session: " + session.describe() + ", GlobalShortcuts portal " +
              (portalVersion > 0 ? "version " + std::to_string(portalVersion) : "absent") +
              ", keyboards in /dev/input " + (keyboardsReadable ? "readable" : "not readable"));
    SessionKeySources result;
    if (session.isSway()) {
        result.sources.push_back(
            std::make_unique<SwayKeySource>(session.swaySocket, keysymName(key), log));
    }
    if (portalVersion > 0) {
        result.sources.push_back(
            std::make_unique<PortalKeySource>(keysymName(key), scheduler, log));
    }
    if (keyboardsReadable) {
        result.sources.push_back(std::make_unique<EvdevKeySource>(linuxKeyCodes(x, key), log));
    }
    result.advice = adviceFor(portalVersion, keyboardsReadable);
    return result;
}

} // namespace

WaylandDesktopServices::WaylandDesktopServices(const DesktopSession& session,
                                               const std::optional<std::string>& dictationKey,
                                               X11DesktopServices& xwayland, const Files& files,
                                               Scheduler& scheduler, Log& log)
    : keyEvents([&] {
          auto found =
              keySourcesFor(session, DictationKey(dictationKey, X11KeyEvents::keysymNames()),
                            xwayland.x, scheduler, log);
          return WaylandKeyEvents(
              std::move(found.sources), xwayland.keyEvents, [this] { return postPasteKeystroke(); },
              scheduler, log, std::move(found.advice));
      }()),
      privacy(xwayland.privacy, keyEvents), xwayland_(xwayland) {
    if (session.isSway()) {
        setUpSwayDelivery(session, log);
        return;
    }
    const unsigned remoteDesktop =
        portalInterfaceVersion(QStringLiteral("org.freedesktop.portal.RemoteDesktop"));
    portalDelivery_ =
        std::make_unique<PortalDesktopDelivery>(session, remoteDesktop, files, xwayland_, log);
}

void WaylandDesktopServices::setUpSwayDelivery(const DesktopSession& session, Log& log) {
    swayWorkspace_ = std::make_unique<SwayWorkspace>(session.swaySocket, xwayland_.workspace);
    swayPasteboard_ = WaylandPasteboard::connect(log);
    auto keyboard = VirtualKeyboard::connect(log);
    const std::string keystroke =
        keyboard ? "a virtual keyboard with " + keyboard->keymapOrigin() : "no keystroke";
    swayPasteKeystroke_ = std::make_unique<SwayPasteKeystroke>(
        *swayWorkspace_, pasteboard(), std::move(keyboard), xwayland_.keyEvents,
        [this](int32_t processId) {
            const auto element = xwayland_.accessibility.focusedElement(processId);
            return element && xwayland_.accessibility.nativeRole(*element) == ATSPI_ROLE_TERMINAL;
        });
    log.write(std::string("Orvendi: text into native windows through sway's window tree, ") +
              (swayPasteboard_ ? "the data-control" : "the XWayland") + " clipboard and " +
              keystroke + "; into XWayland windows as on X11");
}

Workspace& WaylandDesktopServices::workspace() {
    if (portalDelivery_) {
        return portalDelivery_->workspace();
    }
    return swayWorkspace_ ? static_cast<Workspace&>(*swayWorkspace_) : xwayland_.workspace;
}

Pasteboard& WaylandDesktopServices::pasteboard() {
    if (portalDelivery_) {
        return portalDelivery_->pasteboard();
    }
    return swayPasteboard_ ? static_cast<Pasteboard&>(*swayPasteboard_) : xwayland_.pasteboard;
}

bool WaylandDesktopServices::postPasteKeystroke() {
    if (portalDelivery_) {
        return portalDelivery_->postPasteKeystroke();
    }
    return swayPasteKeystroke_ ? swayPasteKeystroke_->post()
                               : xwayland_.keyEvents.postPasteKeystroke();
}

} // namespace orvendi
