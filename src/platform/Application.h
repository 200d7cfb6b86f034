#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Menu.h"
#include "platform/StatusItem.h"

namespace orvendi {

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

    // The standard commands of the main menu. Hiding and showing concern the
    // agent's own windows; a platform that cannot hide other applications
    // ignores hideOtherApplications().
    virtual void orderFrontAboutPanel() = 0;
    virtual void hide() = 0;
    virtual void hideOtherApplications() = 0;
    virtual void unhideAllApplications() = 0;
    // Window commands for the agent's window that has the keyboard focus.
    virtual void minimizeKeyWindow() = 0;
    virtual void zoomKeyWindow() = 0;

    // The user reopened the application (launched it again, or clicked it).
    virtual void setReopenHandler(std::function<void(bool hasVisibleWindows)> handler) = 0;
    // Links of the application's URL scheme handed to it by the system.
    virtual void
    setOpenURLsHandler(std::function<void(const std::vector<std::string>&)> handler) = 0;
};

} // namespace orvendi
