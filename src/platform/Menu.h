#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace orvendi {

// Modifier keys of a menu item's key equivalent, in the agent's terms; the
// platform maps Command to its primary shortcut modifier (Control on Linux).
enum KeyModifier : unsigned { kModifierCommand = 1u << 0, kModifierOption = 1u << 1 };

struct KeyEquivalent {
    std::string key; // empty: none
    unsigned modifiers = kModifierCommand;
};

class MenuItem {
public:
    virtual ~MenuItem() = default;
    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isSeparator() const = 0;
};

class Menu {
public:
    virtual ~Menu() = default;
    // Inserts an item at `index` (0 is the top; count() appends) and returns it.
    virtual std::shared_ptr<MenuItem> insertItem(size_t index, const std::string& title,
                                                 std::function<void()> action,
                                                 KeyEquivalent key = {}) = 0;
    virtual std::shared_ptr<MenuItem> insertSeparator(size_t index) = 0;
    // A submenu under a new item titled `title`, appended.
    virtual std::shared_ptr<Menu> addSubmenu(const std::string& title) = 0;
    virtual size_t count() const = 0;
    virtual std::shared_ptr<MenuItem> itemAt(size_t index) const = 0;

    std::shared_ptr<MenuItem> addItem(const std::string& title, std::function<void()> action,
                                      KeyEquivalent key = {}) {
        return insertItem(count(), title, std::move(action), std::move(key));
    }
    std::shared_ptr<MenuItem> addSeparator() { return insertSeparator(count()); }
};

} // namespace orvendi
