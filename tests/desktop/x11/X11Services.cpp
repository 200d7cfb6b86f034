#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "X11Services.h"

#include "platform/linux/atspi/AtspiElement.h"

namespace orvendi::test {

X11Services::X11Services(const std::optional<std::string>& dictationKey,
                         MicrophoneAuthorization microphone)
    : X11DesktopServices(
          scheduler, dictationKey, [microphone] { return microphone; },
          [] { return std::string(); },
          X11Workspace::Launcher{[](const std::string&) { return false; },
                                 [](const std::vector<std::string>&) { return false; }}) {}

std::string textOf(const AccessibleElement& element) {
    AtspiAccessible* object = static_cast<const AtspiElement&>(element).object();
    AtspiText* text = atspi_accessible_get_text_iface(object);
    if (!text) {
        return {};
    }
    gchar* characters = atspi_text_get_text(text, 0, -1, nullptr);
    std::string result = characters ? characters : "";
    g_free(characters);
    g_object_unref(text);
    return result;
}

void setAccessibilityEnabled(bool enabled) {
    auto call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                               "org.freedesktop.DBus.Properties", "Set");
    call << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
         << QVariant::fromValue(QDBusVariant(enabled));
    QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

} // namespace orvendi::test
