#include "platform/linux/qt/QtApplication.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "platform/linux/qt/QtMenu.h"
#include "platform/linux/qt/QtStatusItem.h"

namespace orvendi {
namespace {

const char* const kApplicationName = "Orvendi";
// The launcher file (orvendi.desktop) and the window class.
const char* const kDesktopFileName = "orvendi";
const char* const kApplicationIcon = ":/orvendi/orvendi.svg";
const char* const kX11Platform = "xcb";
const char* const kGlobalMenuService = "com.canonical.AppMenu.Registrar";
// Marks a window that already has the main menu.
const char* const kHasMainMenu = "orvendiHasMainMenu";

bool isLink(const QString& argument) {
    const QUrl url(argument, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1;
}

// The agent's real windows: not its panels (the HUD), menus or tooltips.
bool isAgentWindow(const QWidget& widget) {
    const Qt::WindowType type = widget.windowType();
    return widget.isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

bool desktopShowsGlobalMenu() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr && bus->isServiceRegistered(QString::fromUtf8(kGlobalMenuService));
}

void addActionsWithShortcuts(QWidget& window, const QMenu& menu) {
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            addActionsWithShortcuts(window, *action->menu());
        } else if (!action->shortcut().isEmpty()) {
            window.addAction(action);
        }
    }
}

} // namespace

void QtApplication::prepare() {
    // The desktop services speak X11 about the agent's own windows (the HUD's
    // window hints take its X11 window id), so in a Wayland session the agent
    // runs through XWayland like the applications it types into. A platform
    // the user chose explicitly is kept.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", kX11Platform);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVENDI_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopFileName));
}

QtApplication::QtApplication(const QStringList& arguments, const QString& instanceSocketPath)
    : instance_(instanceSocketPath) {
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QString::fromUtf8(kApplicationIcon)));
    for (const QString& argument : arguments.mid(1)) {
        if (isLink(argument)) {
            launchLinks_.push_back(argument.toStdString());
        }
    }
    if (!launchLinks_.empty()) {
        pending_.push_back(launchLinks_);
    }
    connect(&instance_, &SingleInstance::reopenRequested, this, [this] {
        pending_.emplace_back();
        deliverPending();
    });
    connect(&instance_, &SingleInstance::openURLsRequested, this, [this](const QStringList& urls) {
        std::vector<std::string> links;
        for (const QString& url : urls) {
            links.push_back(url.toStdString());
        }
        pending_.push_back(std::move(links));
        deliverPending();
    });
    qApp->installEventFilter(this);
}

QtApplication::~QtApplication() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

bool QtApplication::claimSingleInstance() {
    QStringList links;
    for (const std::string& link : launchLinks_) {
        links.append(QString::fromStdString(link));
    }
    switch (instance_.claim(links)) {
    case SingleInstance::Claim::Primary:
        return true;
    case SingleInstance::Claim::HandedOver:
        return false;
    case SingleInstance::Claim::NoAnswer:
        // A second agent would pair a second tray item with a second key
        // monitor (every dictation pasted twice): better not to start.
        qWarning("Orvendi is already running but did not answer.");
        return false;
    }
    return false;
}

int QtApplication::run() {
    if (terminated_) {
        return 0;
    }
    running_ = true;
    // Links of this launch arrive after the launch work queued before run().
    QTimer::singleShot(0, this, &QtApplication::deliverPending);
    const int status = QApplication::exec();
    running_ = false;
    return status;
}

void QtApplication::terminate() {
    terminated_ = true;
    QCoreApplication::exit(0);
}

void QtApplication::activate() {
    if (QApplication::activeWindow() != nullptr) {
        return;
    }
    for (QWidget* window : agentWindows()) {
        if (window->isVisible() && !window->isMinimized()) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
}

bool QtApplication::hasVisibleWindows() const {
    for (QWidget* window : agentWindows()) {
        if (window->isVisible() && !window->isMinimized()) {
            return true;
        }
    }
    return false;
}

std::vector<QWidget*> QtApplication::agentWindows() const {
    std::vector<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (isAgentWindow(*widget)) {
            windows.push_back(widget);
        }
    }
    return windows;
}

std::shared_ptr<Menu> QtApplication::createMenu(const std::string& title) {
    return std::make_shared<QtMenu>(title);
}

void QtApplication::setMainMenu(std::shared_ptr<Menu> mainMenu, std::shared_ptr<Menu> windowsMenu) {
    mainMenu_ = std::dynamic_pointer_cast<QtMenu>(mainMenu);
    windowsMenu_ = std::dynamic_pointer_cast<QtMenu>(windowsMenu);
    for (QWidget* window : agentWindows()) {
        if (window->isVisible()) {
            giveMainMenu(*window);
        }
    }
}

std::shared_ptr<StatusItem> QtApplication::createStatusItem() {
    return std::make_shared<QtStatusItem>();
}

// Each window gets the main menu when it is first shown.
bool QtApplication::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (isAgentWindow(*widget)) {
            giveMainMenu(*widget);
        }
    }
    return QObject::eventFilter(watched, event);
}

void QtApplication::giveMainMenu(QWidget& window) {
    if (!mainMenu_ || window.property(kHasMainMenu).toBool()) {
        return;
    }
    window.setProperty(kHasMainMenu, true);
    auto* mainWindow = qobject_cast<QMainWindow*>(&window);
    if (mainWindow != nullptr && desktopShowsGlobalMenu()) {
        auto* bar = new QMenuBar(mainWindow);
        for (const auto& submenu : mainMenu_->submenus()) {
            bar->addMenu(submenu->qmenu());
        }
        if (bar->isNativeMenuBar()) {
            mainWindow->setMenuBar(bar);
            return;
        }
        delete bar;
    }
    // No menu bar on this desktop (the agent's menu is its tray menu): the
    // main menu's key equivalents still act in the window.
    addActionsWithShortcuts(window, *mainMenu_->qmenu());
}

void QtApplication::orderFrontAboutPanel() {
    if (!aboutPanel_) {
        aboutPanel_ = new QMessageBox(
            QMessageBox::NoIcon, QStringLiteral("About Orvendi"),
            QStringLiteral("Orvendi\nVersion %1").arg(QCoreApplication::applicationVersion()),
            QMessageBox::Ok);
        aboutPanel_->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
        aboutPanel_->setAttribute(Qt::WA_DeleteOnClose);
        aboutPanel_->setModal(false);
    }
    aboutPanel_->show();
    aboutPanel_->raise();
    aboutPanel_->activateWindow();
}

void QtApplication::hide() {
    for (QWidget* window : agentWindows()) {
        if (window->isVisible()) {
            hiddenWindows_.emplace_back(window);
            window->hide();
        }
    }
}

// Other applications' windows are theirs to manage on this desktop.
void QtApplication::hideOtherApplications() {}

void QtApplication::unhideAllApplications() {
    for (const QPointer<QWidget>& window : hiddenWindows_) {
        if (window) {
            window->show();
        }
    }
    hiddenWindows_.clear();
}

void QtApplication::minimizeKeyWindow() {
    if (QWidget* window = QApplication::activeWindow()) {
        window->showMinimized();
    }
}

void QtApplication::zoomKeyWindow() {
    QWidget* window = QApplication::activeWindow();
    if (window == nullptr) {
        return;
    }
    if (window->isMaximized()) {
        window->showNormal();
    } else {
        window->showMaximized();
    }
}

void QtApplication::setReopenHandler(std::function<void(bool)> handler) {
    onReopen_ = std::move(handler);
    if (running_) {
        QTimer::singleShot(0, this, &QtApplication::deliverPending);
    }
}

void QtApplication::setOpenURLsHandler(
    std::function<void(const std::vector<std::string>&)> handler) {
    onOpenURLs_ = std::move(handler);
    if (running_) {
        QTimer::singleShot(0, this, &QtApplication::deliverPending);
    }
}

// Requests wait until the loop runs and their handler exists.
void QtApplication::deliverPending() {
    if (!running_) {
        return;
    }
    while (!pending_.empty()) {
        const bool isReopen = pending_.front().empty();
        if ((isReopen && !onReopen_) || (!isReopen && !onOpenURLs_)) {
            return;
        }
        const std::vector<std::string> links = std::move(pending_.front());
        pending_.erase(pending_.begin());
        if (isReopen) {
            onReopen_(hasVisibleWindows());
        } else {
            onOpenURLs_(links);
        }
    }
}

} // namespace orvendi
