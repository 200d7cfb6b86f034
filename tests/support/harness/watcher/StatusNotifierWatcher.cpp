// The part of a desktop panel that tray items register with. With it on the
// session bus Qt sees a system tray and exports its item and menu over D-Bus,
// where tests read and click them. It hosts no icons itself.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <cstdio>

namespace {

class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    StatusNotifierWatcher() {
        owners_.setConnection(QDBusConnection::sessionBus());
        owners_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(&owners_, &QDBusServiceWatcher::serviceUnregistered, this,
                &StatusNotifierWatcher::ownerGone);
    }

    QStringList registeredItems() const { return items_; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    // Items register by bus name, or by object path on the caller's connection.
    void RegisterStatusNotifierItem(const QString& serviceOrPath) {
        const QString sender = message().service();
        const QString item = serviceOrPath.startsWith('/') ? sender + serviceOrPath : serviceOrPath;
        if (!items_.contains(item)) {
            items_.append(item);
            owners_.addWatchedService(serviceOrPath.startsWith('/') ? sender : serviceOrPath);
            emit StatusNotifierItemRegistered(item);
            std::printf("registered %s\n", qPrintable(item));
            std::fflush(stdout);
        }
    }
    void RegisterStatusNotifierHost(const QString&) { emit StatusNotifierHostRegistered(); }

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    void ownerGone(const QString& service) {
        owners_.removeWatchedService(service);
        for (const QString& item : QStringList(items_)) {
            if (item == service || item.startsWith(service + '/')) {
                items_.removeAll(item);
                emit StatusNotifierItemUnregistered(item);
            }
        }
    }

    QStringList items_;
    QDBusServiceWatcher owners_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "status-notifier-watcher: no session bus\n");
        return 1;
    }
    StatusNotifierWatcher watcher;
    if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService("org.kde.StatusNotifierWatcher")) {
        std::fprintf(stderr, "status-notifier-watcher: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}

#include "StatusNotifierWatcher.moc"
