#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "platform/StatusItem.h"

class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;

namespace orvendi {

class DBusMenuExporter;
class QtMenu;

// The agent's tray item: a StatusNotifierItem over D-Bus (QSystemTrayIcon),
// with the agent's own symbol drawings and its menu exported as a D-Bus menu.
// The item is shown from the first symbol on. Qt decides once per process
// whether the desktop has a D-Bus tray, so while no tray watcher (nor an
// XEmbed tray) exists the item waits, and appears when the panel starts.
class QtStatusItem : public QObject, public StatusItem {
    Q_OBJECT

public:
    QtStatusItem();
    ~QtStatusItem() override;

    bool setSymbol(const std::string& symbol, const std::string& accessibilityText,
                   bool isTemplate) override;
    void setTint(Tint tint) override;
    void setMenu(std::shared_ptr<Menu> menu) override;
    std::shared_ptr<Menu> menu() const override { return menu_; }

    // What the item shows now (for tests and the log).
    const std::string& symbol() const { return symbol_; }
    // Null while the desktop has no tray.
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

private:
    void createTray();
    void updateTray();
    // Serves the menu over D-Bus with our own exporter, in place of Qt's.
    void exportMenu(QMenu* contextMenu);

    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QDBusServiceWatcher> trayWatcher_;
    std::unique_ptr<DBusMenuExporter> menuExporter_;
    std::shared_ptr<Menu> menu_;
    std::string symbol_;
    QString accessibilityText_;
    bool shown_ = false;
    bool isTemplate_ = true;
    bool hasSymbol_ = false;
    Tint tint_ = Tint::None;
};

} // namespace orvendi
