#include "desktop/support/DBusMenuClient.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDateTime>

#include "desktop/support/QtTestLoop.h"

namespace orvendi::test {
namespace {

const char* const kWatcherService = "org.kde.StatusNotifierWatcher";
const char* const kWatcherPath = "/StatusNotifierWatcher";
const char* const kItemPath = "/StatusNotifierItem";
const char* const kItemInterface = "org.kde.StatusNotifierItem";
const char* const kMenuInterface = "com.canonical.dbusmenu";
const char* const kProperties = "org.freedesktop.DBus.Properties";

QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
        value = qvariant_cast<QDBusVariant>(value).variant();
    }
    return value;
}

QString shortcutText(const QVariant& value) {
    // aas: each combination is a list of keys, e.g. [["Control", "q"]].
    QStringList combinations;
    const auto argument = qvariant_cast<QDBusArgument>(value);
    argument.beginArray();
    while (!argument.atEnd()) {
        QStringList keys;
        argument >> keys;
        combinations.append(keys.join('+'));
    }
    argument.endArray();
    return combinations.join(',');
}

DBusMenuEntry readEntry(const QDBusArgument& argument) {
    DBusMenuEntry entry;
    QVariantMap properties;
    argument.beginStructure();
    argument >> entry.id;
    argument.beginMap();
    while (!argument.atEnd()) {
        QString key;
        QDBusVariant value;
        argument.beginMapEntry();
        argument >> key >> value;
        argument.endMapEntry();
        properties.insert(key, value.variant());
    }
    argument.endMap();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        entry.children.push_back(readEntry(qvariant_cast<QDBusArgument>(child.variant())));
    }
    argument.endArray();
    argument.endStructure();

    entry.rawLabel = properties.value(QStringLiteral("label")).toString();
    entry.label = entry.rawLabel;
    // Mnemonic markers: "_" marks a key, "__" is a literal underscore.
    entry.label.replace(QStringLiteral("__"), QStringLiteral("\x01"));
    entry.label.remove('_');
    entry.label.replace(QStringLiteral("\x01"), QStringLiteral("_"));
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    entry.visible = properties.value(QStringLiteral("visible"), true).toBool();
    entry.separator =
        properties.value(QStringLiteral("type")).toString() == QStringLiteral("separator");
    if (properties.contains(QStringLiteral("shortcut"))) {
        entry.shortcut = shortcutText(properties.value(QStringLiteral("shortcut")));
    }
    return entry;
}

} // namespace

DBusMenuClient::DBusMenuClient()
    : connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                QStringLiteral("orvendi-test-panel"))) {}

std::optional<QVariant> DBusMenuClient::call(const QString& service, const QString& path,
                                             const QString& interface, const QString& method,
                                             const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    QDBusPendingCallWatcher watcher(connection_.asyncCall(message, 5000));
    processEventsUntil([&] { return watcher.isFinished(); }, 8);
    if (!watcher.isFinished() || watcher.isError()) {
        return std::nullopt;
    }
    const QList<QVariant> reply = watcher.reply().arguments();
    return reply.isEmpty() ? QVariant() : (reply.size() == 1 ? reply.first() : QVariant(reply));
}

std::optional<QString> DBusMenuClient::trayItemService() {
    auto items =
        call(QString::fromUtf8(kWatcherService), QString::fromUtf8(kWatcherPath),
             QString::fromUtf8(kProperties), QStringLiteral("Get"),
             {QString::fromUtf8(kWatcherService), QStringLiteral("RegisteredStatusNotifierItems")});
    if (!items) {
        return std::nullopt;
    }
    const QStringList list = unwrap(*items).toStringList();
    if (list.isEmpty()) {
        return std::nullopt;
    }
    // An item registered as "service/path" names its path too.
    return list.first().section('/', 0, 0);
}

QVariant DBusMenuClient::trayItemProperty(const QString& service, const QString& name) {
    auto value = call(service, QString::fromUtf8(kItemPath), QString::fromUtf8(kProperties),
                      QStringLiteral("Get"), {QString::fromUtf8(kItemInterface), name});
    return value ? unwrap(*value) : QVariant();
}

QString DBusMenuClient::menuPath(const QString& service) {
    const QVariant path = trayItemProperty(service, QStringLiteral("Menu"));
    return qvariant_cast<QDBusObjectPath>(path).path();
}

std::optional<DBusMenuEntry> DBusMenuClient::menuLayout(const QString& service) {
    const QString path = menuPath(service);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    // The answer is the layout's revision and its root entry.
    const auto reply = call(service, path, QString::fromUtf8(kMenuInterface),
                            QStringLiteral("GetLayout"), {0, -1, QStringList()});
    if (!reply || reply->toList().size() != 2) {
        return std::nullopt;
    }
    return readEntry(qvariant_cast<QDBusArgument>(reply->toList().at(1)));
}

bool DBusMenuClient::click(const QString& service, int id) {
    const QString path = menuPath(service);
    const auto timestamp = static_cast<uint>(QDateTime::currentSecsSinceEpoch());
    return call(service, path, QString::fromUtf8(kMenuInterface), QStringLiteral("Event"),
                {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), timestamp})
        .has_value();
}

} // namespace orvendi::test
