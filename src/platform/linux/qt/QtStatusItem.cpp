#include "platform/linux/qt/QtStatusItem.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <optional>

#include "platform/linux/qt/DBusMenuExporter.h"
#include "platform/linux/qt/QtMenu.h"
#include "platform/linux/qt/SymbolColors.h"
#include "platform/linux/qt/SymbolImages.h"
#include "platform/linux/x11/X11WindowHints.h"

namespace orvendi {
namespace {

const char* const kTrayWatcherService = "org.kde.StatusNotifierWatcher";
constexpr int kEmptyIconSize = 22;

// A panel with a StatusNotifierWatcher on the session bus, or an XEmbed tray.
bool desktopHasTray() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return (bus != nullptr && bus->isServiceRegistered(QString::fromUtf8(kTrayWatcherService))) ||
           X11WindowHints::hasSystemTray();
}

// Qt serves a tray item from a bus connection of its own, named after the
// item's service, "org.kde.StatusNotifierItem-<pid>-<n>" for its n-th item;
// panels look for the menu on that connection. The newest item still served
// is this process's one.
std::optional<QDBusConnection> trayItemConnection() {
    constexpr int kItemsLookedAt = 16;
    std::optional<QDBusConnection> newest;
    for (int instance = 1; instance <= kItemsLookedAt; ++instance) {
        QDBusConnection connection(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                                       .arg(QCoreApplication::applicationPid())
                                       .arg(instance));
        if (connection.isConnected() &&
            connection.objectRegisteredAt(QStringLiteral("/StatusNotifierItem"))) {
            newest = connection;
        }
    }
    return newest;
}

// An item without a symbol still needs an image to exist in the tray.
QIcon emptyIcon() {
    QPixmap pixmap(kEmptyIconSize, kEmptyIconSize);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

QtStatusItem::QtStatusItem()
    : trayWatcher_(std::make_unique<QDBusServiceWatcher>(
          QString::fromUtf8(kTrayWatcherService), QDBusConnection::sessionBus(),
          QDBusServiceWatcher::WatchForRegistration)) {
    connect(trayWatcher_.get(), &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (!tray_) {
            createTray();
        }
    });
    if (desktopHasTray()) {
        createTray();
    }
}

QtStatusItem::~QtStatusItem() {
    // The exporter goes before the tray whose connection serves it.
    menuExporter_.reset();
}

void QtStatusItem::createTray() {
    tray_ = std::make_unique<QSystemTrayIcon>();
    updateTray();
}

bool QtStatusItem::setSymbol(const std::string& symbol, const std::string& accessibilityText,
                             bool isTemplate) {
    symbol_ = symbol;
    accessibilityText_ = QString::fromStdString(accessibilityText);
    isTemplate_ = isTemplate;
    hasSymbol_ = SymbolImages::contains(symbol);
    shown_ = true;
    updateTray();
    return hasSymbol_;
}

void QtStatusItem::setTint(Tint tint) {
    tint_ = tint;
    updateTray();
}

void QtStatusItem::setMenu(std::shared_ptr<Menu> menu) {
    menu_ = std::move(menu);
    updateTray();
}

void QtStatusItem::updateTray() {
    if (!tray_) {
        return;
    }
    auto* qtMenu = dynamic_cast<QtMenu*>(menu_.get());
    QMenu* contextMenu = qtMenu != nullptr ? qtMenu->qmenu() : nullptr;
    if (tray_->contextMenu() != contextMenu) {
        tray_->setContextMenu(contextMenu);
    }
    tray_->setToolTip(accessibilityText_);
    if (!hasSymbol_) {
        tray_->setIcon(emptyIcon());
    } else {
        // A template symbol takes the panel's text colour, and so does an
        // untinted coloured one (the drawings have one colour); a tint (the
        // red recording dot) wins.
        QIcon icon = SymbolImages::icon(symbol_, SymbolColors::color(tint_));
        icon.setIsMask(isTemplate_ && tint_ == Tint::None);
        tray_->setIcon(icon);
    }
    if (shown_ && !tray_->isVisible()) {
        tray_->show();
    }
    exportMenu(contextMenu);
}

void QtStatusItem::exportMenu(QMenu* contextMenu) {
    if (!contextMenu || !tray_->isVisible()) {
        return;
    }
    const auto connection = trayItemConnection();
    if (!connection) {
        return; // an XEmbed tray shows the QMenu itself
    }
    if (!menuExporter_ || menuExporter_->menu() != contextMenu) {
        menuExporter_ = std::make_unique<DBusMenuExporter>(contextMenu);
    }
    menuExporter_->exportOn(*connection);
}

} // namespace orvendi
