#pragma once

#include <QAction>
#include <QKeySequence>
#include <QPointer>
#include <memory>
#include <vector>

#include "platform/Menu.h"

class QMenu;

namespace orvendi {

// A menu item over a QAction. Its enabled flag is exactly what the agent set:
// Qt never enables or disables actions by itself.
class QtMenuItem : public MenuItem {
public:
    explicit QtMenuItem(QAction* action) : action_(action) {}
    std::string title() const override;
    void setTitle(const std::string& title) override;
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    bool isSeparator() const override;
    QAction* action() const { return action_; }

private:
    QPointer<QAction> action_;
};

// A menu over a QMenu, which Qt also exports over D-Bus when the menu belongs
// to the tray item or to a global menu bar.
class QtMenu : public Menu {
public:
    explicit QtMenu(const std::string& title);
    ~QtMenu() override;

    std::shared_ptr<MenuItem> insertItem(size_t index, const std::string& title,
                                         std::function<void()> action,
                                         KeyEquivalent key = {}) override;
    std::shared_ptr<MenuItem> insertSeparator(size_t index) override;
    std::shared_ptr<Menu> addSubmenu(const std::string& title) override;
    size_t count() const override { return items_.size(); }
    std::shared_ptr<MenuItem> itemAt(size_t index) const override { return items_.at(index); }

    QMenu* qmenu() const { return menu_.get(); }
    // The submenus added with addSubmenu, in order.
    const std::vector<std::shared_ptr<QtMenu>>& submenus() const { return submenus_; }

private:
    std::shared_ptr<MenuItem> insertAction(size_t index, QAction* action);

    std::unique_ptr<QMenu> menu_;
    std::vector<std::shared_ptr<QtMenuItem>> items_;
    std::vector<std::shared_ptr<QtMenu>> submenus_;
};

// The Linux form of a key equivalent: Command is Control, Option is Alt.
// An empty key gives an empty sequence.
QKeySequence keySequence(const KeyEquivalent& key);

} // namespace orvendi
