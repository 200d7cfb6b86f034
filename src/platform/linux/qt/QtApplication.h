#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Application.h"
#include "platform/linux/qt/SingleInstance.h"

class QMessageBox;
class QWidget;

namespace orvendi {

class QtMenu;

// The agent as a desktop application on the running QApplication: it keeps
// running when its last window closes, is the one agent of the user's session
// (later launches hand it their "orvendi:" link or a reopen), gives its main
// menu to each of its windows (as a global menu where the desktop shows one;
// otherwise its key equivalents still work in the windows) and owns the tray.
class QtApplication : public QObject, public Application {
    Q_OBJECT

public:
    // Settings that must precede the QApplication object (the web view shares
    // OpenGL contexts; names that locate the agent's files and launcher).
    static void prepare();

    // `arguments` are the process's arguments: those after the program name
    // that are URLs are links to open once the agent runs.
    explicit QtApplication(const QStringList& arguments,
                           const QString& instanceSocketPath = SingleInstance::defaultSocketPath());
    ~QtApplication() override;

    // Makes this process the agent (true), or hands this launch's links (or a
    // reopen) to the agent already running (false: the caller exits).
    bool claimSingleInstance();
    // Requests of later launches reach the agent through it.
    SingleInstance& singleInstance() { return instance_; }

    int run() override;
    void terminate() override;
    void activate() override;
    bool hasVisibleWindows() const override;

    std::shared_ptr<Menu> createMenu(const std::string& title) override;
    void setMainMenu(std::shared_ptr<Menu> mainMenu, std::shared_ptr<Menu> windowsMenu) override;
    std::shared_ptr<StatusItem> createStatusItem() override;

    void orderFrontAboutPanel() override;
    void hide() override;
    void hideOtherApplications() override;
    void unhideAllApplications() override;
    void minimizeKeyWindow() override;
    void zoomKeyWindow() override;

    void setReopenHandler(std::function<void(bool hasVisibleWindows)> handler) override;
    void setOpenURLsHandler(std::function<void(const std::vector<std::string>&)> handler) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void deliverPending();
    void giveMainMenu(QWidget& window);
    std::vector<QWidget*> agentWindows() const;

    SingleInstance instance_;
    std::vector<std::string> launchLinks_;
    // Requests not yet delivered, in arrival order: links, or none for a reopen.
    std::vector<std::vector<std::string>> pending_;
    bool running_ = false;
    bool terminated_ = false;
    std::function<void(bool)> onReopen_;
    std::function<void(const std::vector<std::string>&)> onOpenURLs_;
    std::shared_ptr<QtMenu> mainMenu_;
    std::shared_ptr<QtMenu> windowsMenu_;
    std::vector<QPointer<QWidget>> hiddenWindows_;
    QPointer<QMessageBox> aboutPanel_;
};

} // namespace orvendi
