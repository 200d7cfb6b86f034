#pragma once

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/Menu.h"
#include "platform/StatusItem.h"

namespace orvendi::test {

class FakeMenu;

class FakeMenuItem : public MenuItem {
public:
    FakeMenuItem(std::string title, std::function<void()> itemAction, KeyEquivalent itemKey,
                 bool separator)
        : action(std::move(itemAction)), key(std::move(itemKey)), title_(std::move(title)),
          separator_(separator) {}
    std::string title() const override { return title_; }
    void setTitle(const std::string& title) override { title_ = title; }
    bool isEnabled() const override { return enabled_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isSeparator() const override { return separator_; }

    // Chooses the item as the user would.
    void click() {
        if (action) {
            action();
        }
    }

    std::function<void()> action;
    KeyEquivalent key;
    std::shared_ptr<FakeMenu> submenu;

private:
    std::string title_;
    bool separator_;
    bool enabled_ = true;
};

class FakeMenu : public Menu {
public:
    explicit FakeMenu(std::string menuTitle = "") : title(std::move(menuTitle)) {}

    std::shared_ptr<MenuItem> insertItem(size_t index, const std::string& itemTitle,
                                         std::function<void()> action,
                                         KeyEquivalent key = {}) override {
        return insert(index, std::make_shared<FakeMenuItem>(itemTitle, std::move(action),
                                                            std::move(key), false));
    }
    std::shared_ptr<MenuItem> insertSeparator(size_t index) override {
        return insert(index,
                      std::make_shared<FakeMenuItem>("", nullptr, KeyEquivalent{"", 0}, true));
    }
    std::shared_ptr<Menu> addSubmenu(const std::string& submenuTitle) override {
        auto item =
            std::make_shared<FakeMenuItem>(submenuTitle, nullptr, KeyEquivalent{"", 0}, false);
        item->submenu = std::make_shared<FakeMenu>(submenuTitle);
        insert(items.size(), item);
        return item->submenu;
    }
    size_t count() const override { return items.size(); }
    std::shared_ptr<MenuItem> itemAt(size_t index) const override { return items.at(index); }

    // The item titled `itemTitle`; throws when there is none.
    FakeMenuItem& item(const std::string& itemTitle) const {
        for (const auto& candidate : items) {
            if (candidate->title() == itemTitle) {
                return *candidate;
            }
        }
        throw std::out_of_range("no menu item " + itemTitle);
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (const auto& candidate : items) {
            result.push_back(candidate->isSeparator() ? "-" : candidate->title());
        }
        return result;
    }

    std::string title;
    std::vector<std::shared_ptr<FakeMenuItem>> items;

private:
    std::shared_ptr<MenuItem> insert(size_t index, std::shared_ptr<FakeMenuItem> item) {
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(std::min(index, items.size())),
                     item);
        return item;
    }
};

class FakeStatusItem : public StatusItem {
public:
    bool setSymbol(const std::string& name, const std::string& accessibilityText,
                   bool templateImage) override {
        symbol = name;
        accessibility = accessibilityText;
        isTemplate = templateImage;
        return true;
    }
    void setTint(Tint value) override { tint = value; }
    void setMenu(std::shared_ptr<Menu> value) override { menu_ = std::move(value); }
    std::shared_ptr<Menu> menu() const override { return menu_; }

    std::string symbol;
    std::string accessibility;
    bool isTemplate = false;
    Tint tint = Tint::None;

private:
    std::shared_ptr<Menu> menu_;
};

} // namespace orvendi::test
