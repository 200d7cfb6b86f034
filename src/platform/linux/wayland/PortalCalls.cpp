#include "platform/linux/wayland/PortalCalls.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>

namespace orvendi::portal {

QString requestPath(const QString& token) {
    QString sender = QDBusConnection::sessionBus().baseService().mid(1);
    sender.replace('.', '_');
    return kPath + QStringLiteral("/request/") + sender + '/' + token;
}

QString sessionHandle(const QVariantMap& results) {
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    // A string in the interfaces' description, an object path from some portals.
    if (handle.canConvert<QDBusObjectPath>()) {
        if (QString path = handle.value<QDBusObjectPath>().path(); !path.isEmpty()) {
            return path;
        }
    }
    return handle.toString();
}

void closeSession(const QString& session) {
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kService, session, kSession, QStringLiteral("Close")),
        QDBus::NoBlock);
}

} // namespace orvendi::portal
