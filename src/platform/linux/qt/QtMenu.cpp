#include "platform/linux/qt/QtMenu.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace orvendi {
namespace {

// Titles are shown as written: an "&" is no mnemonic marker.
QString actionText(const std::string& title) {
    return QString::fromStdString(title).replace('&', QStringLiteral("&&"));
}

std::string titleOf(const QAction& action) {
    return QString(action.text()).replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString();
}

} // namespace

std::string QtMenuItem::title() const {
    return action_ ? titleOf(*action_) : std::string();
}

void QtMenuItem::setTitle(const std::string& title) {
    if (action_) {
        action_->setText(actionText(title));
    }
}

bool QtMenuItem::isEnabled() const {
    return action_ && action_->isEnabled();
}

void QtMenuItem::setEnabled(bool enabled) {
    if (action_) {
        action_->setEnabled(enabled);
    }
}

bool QtMenuItem::isSeparator() const {
    return action_ && action_->isSeparator();
}

QtMenu::QtMenu(const std::string& title) : menu_(std::make_unique<QMenu>()) {
    menu_->setTitle(actionText(title));
}

QtMenu::~QtMenu() = default;

std::shared_ptr<MenuItem> QtMenu::insertItem(size_t index, const std::string& title,
                                             std::function<void()> callback, KeyEquivalent key) {
    auto* action = new QAction(actionText(title), menu_.get());
    action->setShortcut(keySequence(key));
    if (callback) {
        QObject::connect(action, &QAction::triggered, action,
                         [action, callback = std::move(callback)] {
                             // Clicks that reach a disabled item (a stale menu over D-Bus) do
                             // nothing.
                             if (action->isEnabled()) {
                                 callback();
                             }
                         });
    }
    return insertAction(index, action);
}

std::shared_ptr<MenuItem> QtMenu::insertSeparator(size_t index) {
    auto* action = new QAction(menu_.get());
    action->setSeparator(true);
    return insertAction(index, action);
}

std::shared_ptr<Menu> QtMenu::addSubmenu(const std::string& title) {
    auto submenu = std::make_shared<QtMenu>(title);
    QAction* action = submenu->qmenu()->menuAction();
    action->setText(actionText(title));
    insertAction(items_.size(), action);
    submenus_.push_back(submenu);
    return submenu;
}

std::shared_ptr<MenuItem> QtMenu::insertAction(size_t index, QAction* action) {
    index = std::min(index, items_.size());
    QAction* before = index < items_.size() ? items_[index]->action() : nullptr;
    menu_->insertAction(before, action);
    auto item = std::make_shared<QtMenuItem>(action);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), item);
    return item;
}

QKeySequence keySequence(const KeyEquivalent& key) {
    if (key.key.empty()) {
        return {};
    }
    QString text;
    if (key.modifiers & kModifierCommand) {
        text += QStringLiteral("Ctrl+");
    }
    if (key.modifiers & kModifierOption) {
        text += QStringLiteral("Alt+");
    }
    const QString character = QString::fromStdString(key.key);
    // An upper-case letter asks for Shift as well.
    if (character.size() == 1 && character.at(0).isUpper()) {
        text += QStringLiteral("Shift+");
    }
    if (key.key == "\r") {
        text += QStringLiteral("Return");
    } else {
        text += character.toUpper();
    }
    return QKeySequence(text, QKeySequence::PortableText);
}

} // namespace orvendi
