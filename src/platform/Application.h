#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Menu.h"
#include "platform/StatusItem.h"

namespace orvendi {

// Standard commands of the main menu. A desktop without the matching notion
// (hiding an application, say) ignores them.
enum class StandardAction { About, Hide, HideOthers, ShowAll, Minimize, Zoom };

// The running desktop application: its event loop, menus and status item, and
// the callbacks through which the system reaches it.
class Application {
public:
    virtual ~Application() = default;
    // Runs the event loop on the calling (main) thread until terminate().
    virtual int run() = 0;
    virtual void terminate() = 0;
    // Brings the application to the front, ignoring other applications.
    virtual void activate() = 0;
    virtual bool hasVisibleWindows() const = 0;

    virtual std::shared_ptr<Menu> createMenu(const std::string& title) = 0;
    // Installs the main menu; `windowsMenu` is one of its submenus.
    virtual void setMainMenu(std::shared_ptr<Menu> mainMenu, std::shared_ptr<Menu> windowsMenu) = 0;
    virtual std::shared_ptr<StatusItem> createStatusItem() = 0;
    virtual void performStandardAction(StandardAction) {}

    // The user reopened the application (launched it again, or clicked it).
    virtual void setReopenHandler(std::function<void(bool hasVisibleWindows)> handler) = 0;
    // Links of the application's URL scheme handed to it by the system.
    virtual void
    setOpenURLsHandler(std::function<void(const std::vector<std::string>&)> handler) = 0;
};

} // namespace orvendi
