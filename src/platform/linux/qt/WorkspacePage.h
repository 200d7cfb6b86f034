#pragma once

#include <QPointer>
#include <QWebEnginePage>
#include <functional>

#include "platform/WorkspaceWindow.h"

namespace orvendi {

using NavigationHandler = std::function<bool(const NavigationAction&)>;

// The workspace's web page: every navigation, of the main frame and of
// sub-frames, is decided by the navigation handler. A page the web content
// opens as a new window (a link with a target, window.open) does not become a
// window: its first address is decided like a main-frame navigation of the
// opener and, when allowed, loaded there.
class WorkspacePage : public QWebEnginePage {
    Q_OBJECT

public:
    WorkspacePage(QWebEngineProfile* profile, QObject* parent, NavigationHandler handler);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    // A page that stands in for a new window: it forwards its first
    // navigation to `opener` and then goes away.
    WorkspacePage(QWebEngineProfile* profile, WorkspacePage* opener);

    bool decide(const QUrl& url, bool isMainFrame) const;

    NavigationHandler handler_;
    QPointer<WorkspacePage> opener_;
};

} // namespace orvendi
