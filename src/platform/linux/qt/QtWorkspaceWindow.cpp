#include "platform/linux/qt/QtWorkspaceWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <cmath>

#include "platform/Defaults.h"
#include "platform/MainThreadCheck.h"
#include "platform/linux/qt/ScreenGeometry.h"

namespace orvendi {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 820;
constexpr int kMinimumWidth = 900;
constexpr int kMinimumHeight = 620;
// Moves and resizes come in bursts while the user drags: remember the frame
// once the burst is over.
constexpr int kFrameSaveDelayMs = 400;
// The window manager adds its frame some time after the window is shown.
constexpr int kFrameWaitTries = 40;
constexpr int kFrameWaitMs = 25;
const char* const kSessionScriptName = "orvendi-document-start";

QWebEngineScript documentStartScript(const std::string& source) {
    QWebEngineScript script;
    script.setName(QString::fromUtf8(kSessionScriptName));
    script.setSourceCode(QString::fromStdString(source));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

} // namespace

QtWorkspaceWindow::QtWorkspaceWindow(QWebEngineProfile& profile, Defaults* defaults)
    : profile_(profile), defaults_(defaults) {
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    loadTimeout_.setSingleShot(true);
    connect(&loadTimeout_, &QTimer::timeout, this, [this] {
        if (view_) {
            view_->stop();
        }
    });
    frameSave_.setSingleShot(true);
    frameSave_.setInterval(kFrameSaveDelayMs);
    connect(&frameSave_, &QTimer::timeout, this, &QtWorkspaceWindow::saveFrame);
    restoreFrame();
}

QtWorkspaceWindow::~QtWorkspaceWindow() {
    // Pages must go before the profile they belong to: delete the view now.
    delete view_.data();
}

void QtWorkspaceWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void QtWorkspaceWindow::rebuildWebView(const std::optional<std::string>& script) {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    destroyWebView();
    auto* view = new QWebEngineView(this);
    auto* page = new WorkspacePage(&profile_, view, [this](const NavigationAction& action) {
        return handler_ ? handler_(action) : true;
    });
    if (script) {
        page->scripts().insert(documentStartScript(*script));
    }
    view->setPage(page);
    connect(page, &QWebEnginePage::loadFinished, &loadTimeout_, &QTimer::stop);
    view_ = view;
    setCentralWidget(view);
}

void QtWorkspaceWindow::load(const std::string& url, double timeoutSeconds) {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    if (!view_) {
        return;
    }
    view_->load(QUrl(QString::fromStdString(url)));
    // A page that has not finished loading by then is stopped, as a request
    // that timed out.
    loadTimeout_.start(static_cast<int>(std::lround(std::max(0.0, timeoutSeconds) * 1000)));
}

void QtWorkspaceWindow::setNavigationHandler(std::function<bool(const NavigationAction&)> handler) {
    handler_ = std::move(handler);
}

void QtWorkspaceWindow::show() {
    ORVENDI_ASSERT_ON_MAIN_THREAD(QThread::currentThread() == thread());
    if (isMinimized()) {
        showNormal();
    } else {
        QMainWindow::show();
    }
    raise();
    activateWindow();
    keepInsideScreenOnceFramed(kFrameWaitTries);
}

bool QtWorkspaceWindow::isVisible() const {
    return QMainWindow::isVisible();
}

void QtWorkspaceWindow::destroyWebView() {
    loadTimeout_.stop();
    if (!view_) {
        return;
    }
    QWebEngineView* view = view_;
    view_.clear();
    takeCentralWidget();
    view->hide();
    view->deleteLater();
}

// The engine's memory goes with the view: a closed window keeps none.
void QtWorkspaceWindow::closeEvent(QCloseEvent* event) {
    saveFrame();
    destroyWebView();
    QMainWindow::closeEvent(event);
}

void QtWorkspaceWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (QMainWindow::isVisible()) {
        frameSave_.start();
    }
}

void QtWorkspaceWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (QMainWindow::isVisible()) {
        frameSave_.start();
    }
}

void QtWorkspaceWindow::restoreFrame() {
    if (defaults_ != nullptr) {
        if (auto saved = defaults_->string(kFrameKey)) {
            const QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(*saved));
            if (restoreGeometry(geometry)) {
                keepInsideScreen();
                return;
            }
        }
    }
    resize(kWidth, kHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    keepInsideScreen();
}

// The frame, title bar included, goes inside the available area of its screen:
// the default size is larger than a small laptop screen, and a remembered
// frame may come from a screen that is gone.
void QtWorkspaceWindow::keepInsideScreen() {
    QScreen* screen = QMainWindow::screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect frame = frameGeometry();
    const QSize decoration = frame.size() - size();
    const QRect fitted =
        ScreenGeometry::fitInside(frame, screen->availableGeometry(), minimumSize() + decoration);
    if (fitted != frame) {
        resize(fitted.size() - decoration);
        move(fitted.topLeft());
    }
}

// Until the window manager has framed the window, its title bar is not part
// of the frame; fit it again once it is.
void QtWorkspaceWindow::keepInsideScreenOnceFramed(int triesLeft) {
    if (!QMainWindow::isVisible()) {
        return;
    }
    if (frameGeometry() != geometry()) {
        keepInsideScreen();
    } else if (triesLeft > 0) {
        QTimer::singleShot(kFrameWaitMs, this,
                           [this, triesLeft] { keepInsideScreenOnceFramed(triesLeft - 1); });
    }
}

void QtWorkspaceWindow::saveFrame() {
    frameSave_.stop();
    if (defaults_ != nullptr && QMainWindow::isVisible()) {
        defaults_->setString(kFrameKey, saveGeometry().toBase64().toStdString());
    }
}

} // namespace orvendi
