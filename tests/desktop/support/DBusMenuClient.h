#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace orvendi::test {

// One entry of a menu exported over com.canonical.dbusmenu.
struct DBusMenuEntry {
    int id = 0;
    QString label;    // without mnemonic markers
    QString rawLabel; // as sent, markers included
    bool enabled = true;
    bool visible = true;
    bool separator = false;
    QString shortcut; // e.g. "Control+q"; empty when none
    std::vector<DBusMenuEntry> children;
};

// Reads the tray item and its menu as a desktop panel does: over the session
// bus, from a connection of its own. Calls keep the event loop running, so
// the item may live in this very process.
class DBusMenuClient {
public:
    DBusMenuClient();

    // The bus name of the first item registered with the tray watcher.
    std::optional<QString> trayItemService();
    // A property of the StatusNotifierItem interface of `service`.
    QVariant trayItemProperty(const QString& service, const QString& name);
    // The menu's root and entries (GetLayout of the item's menu object).
    std::optional<DBusMenuEntry> menuLayout(const QString& service);
    // Clicks an entry (Event "clicked"); false when the call failed.
    bool click(const QString& service, int id);

private:
    std::optional<QVariant> call(const QString& service, const QString& path,
                                 const QString& interface, const QString& method,
                                 const QVariantList& arguments);
    QString menuPath(const QString& service);

    QDBusConnection connection_;
};

} // namespace orvendi::test
