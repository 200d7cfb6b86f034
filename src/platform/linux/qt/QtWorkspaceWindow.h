#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWebEngineView>

#include "platform/WorkspaceWindow.h"
#include "platform/linux/qt/WorkspacePage.h"

class QWebEngineProfile;

namespace orvendi {

class Defaults;

// The workspace window: one web view in a window of 1280 by 820 (at least
// 900 by 620, and no larger than the screen's available area) whose position
// and size are remembered in the user defaults.
// The web view lives only while the window is open: closing the window
// destroys it with its page and renderer, and every opening builds a new one.
class QtWorkspaceWindow : public QMainWindow, public WorkspaceWindow {
    Q_OBJECT

public:
    // `profile` keeps cookies and local storage and outlives the window;
    // `defaults` may be null (nothing is remembered).
    QtWorkspaceWindow(QWebEngineProfile& profile, Defaults* defaults);
    ~QtWorkspaceWindow() override;

    void setTitle(const std::string& title) override;
    void rebuildWebView(const std::optional<std::string>& documentStartScript) override;
    void load(const std::string& url, double timeoutSeconds) override;
    void setNavigationHandler(std::function<bool(const NavigationAction&)> handler) override;
    void show() override;
    bool isVisible() const override;

    // The current web view, if the window has one.
    QWebEngineView* webView() const { return view_; }

    // The user-defaults key of the remembered frame.
    static constexpr const char* kFrameKey = "OrvendiWorkspace";

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void destroyWebView();
    void restoreFrame();
    void saveFrame();
    void keepInsideScreen();
    void keepInsideScreenOnceFramed(int triesLeft);

    QWebEngineProfile& profile_;
    Defaults* defaults_;
    NavigationHandler handler_;
    QPointer<QWebEngineView> view_;
    QTimer loadTimeout_;
    QTimer frameSave_;
};

} // namespace orvendi
