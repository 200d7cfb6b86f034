#pragma once

#include "platform/Application.h"
#include "support/fakes/FakeMenu.h"

namespace orvendi::test {

// The application object; the test plays the system (reopen, open links).
class FakeApplication : public Application {
public:
    int run() override { return 0; }
    void terminate() override { terminated = true; }
    void activate() override { ++activations; }
    bool hasVisibleWindows() const override { return visibleWindows; }
    std::shared_ptr<Menu> createMenu(const std::string& title) override {
        return std::make_shared<FakeMenu>(title);
    }
    void setMainMenu(std::shared_ptr<Menu> main, std::shared_ptr<Menu> windows) override {
        mainMenu = std::static_pointer_cast<FakeMenu>(main);
        windowsMenu = std::static_pointer_cast<FakeMenu>(windows);
    }
    std::shared_ptr<StatusItem> createStatusItem() override {
        statusItem = std::make_shared<FakeStatusItem>();
        return statusItem;
    }
    void orderFrontAboutPanel() override { commands.push_back("about"); }
    void hide() override { commands.push_back("hide"); }
    void hideOtherApplications() override { commands.push_back("hideOthers"); }
    void unhideAllApplications() override { commands.push_back("unhideAll"); }
    void minimizeKeyWindow() override { commands.push_back("minimize"); }
    void zoomKeyWindow() override { commands.push_back("zoom"); }
    void setReopenHandler(std::function<void(bool)> handler) override {
        reopen_ = std::move(handler);
    }
    void setOpenURLsHandler(std::function<void(const std::vector<std::string>&)> handler) override {
        openURLs_ = std::move(handler);
    }

    bool terminated = false;
    bool visibleWindows = false;
    int activations = 0;
    // The standard commands called, in order ("about", "hide", "minimize", ...).
    std::vector<std::string> commands;
    std::shared_ptr<FakeMenu> mainMenu;
    std::shared_ptr<FakeMenu> windowsMenu;
    std::shared_ptr<FakeStatusItem> statusItem;

private:
    std::function<void(bool)> reopen_;
    std::function<void(const std::vector<std::string>&)> openURLs_;
};

} // namespace orvendi::test
