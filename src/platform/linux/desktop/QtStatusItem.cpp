#include "platform/linux/desktop/QtStatusItem.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "platform/linux/desktop/QtMenu.h"
#include "platform/linux/desktop/SymbolColors.h"
#include "platform/linux/desktop/SymbolImages.h"

namespace orvendi {
namespace {

constexpr auto kTrayWatcherService = "org.kde.StatusNotifierWatcher";
constexpr int kEmptyIconSize = 22;

// An item without a symbol still needs an image to exist in the tray.
QIcon emptyIcon() {
    QPixmap pixmap(kEmptyIconSize, kEmptyIconSize);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

} // namespace

QtStatusItem::QtStatusItem()
    : tray_(std::make_unique<QSystemTrayIcon>()),
      trayWatcher_(std::make_unique<QDBusServiceWatcher>(
          kTrayWatcherService, QDBusConnection::sessionBus(),
          QDBusServiceWatcher::WatchForRegistration)) {
    connect(trayWatcher_.get(), &QDBusServiceWatcher::serviceRegistered, this,
            &QtStatusItem::registerAgain);
}

QtStatusItem::~QtStatusItem() = default;

bool QtStatusItem::setSymbol(const std::string& symbol, const std::string& accessibilityText,
                             bool isTemplate) {
    symbol_ = symbol;
    isTemplate_ = isTemplate;
    hasSymbol_ = SymbolImages::contains(symbol);
    tray_->setToolTip(QString::fromStdString(accessibilityText));
    updateIcon();
    tray_->show();
    return hasSymbol_;
}

void QtStatusItem::setTint(Tint tint) {
    tint_ = tint;
    updateIcon();
}

void QtStatusItem::setMenu(std::shared_ptr<Menu> menu) {
    auto* qtMenu = dynamic_cast<QtMenu*>(menu.get());
    menu_ = std::move(menu);
    tray_->setContextMenu(qtMenu != nullptr ? qtMenu->qmenu() : nullptr);
}

void QtStatusItem::updateIcon() {
    if (!hasSymbol_) {
        tray_->setIcon(emptyIcon());
        return;
    }
    // A template symbol takes the panel's text colour; a coloured one keeps
    // its tint (the red recording dot) or, untinted, the same text colour.
    QColor color = SymbolColors::panelText();
    if (tint_ == Tint::SystemRed) {
        color = SymbolColors::systemRed();
    }
    QIcon icon = SymbolImages::icon(symbol_, color);
    icon.setIsMask(isTemplate_ && tint_ == Tint::None);
    tray_->setIcon(icon);
}

// A tray that restarted has forgotten the item: show it anew so that Qt
// registers it with the new watcher.
void QtStatusItem::registerAgain() {
    if (tray_->isVisible()) {
        tray_->hide();
        tray_->show();
    }
}

} // namespace orvendi
