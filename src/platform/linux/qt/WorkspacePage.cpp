#include "platform/linux/qt/WorkspacePage.h"

#include <QTimer>

namespace orvendi {

WorkspacePage::WorkspacePage(QWebEngineProfile* profile, QObject* parent, NavigationHandler handler)
    : QWebEnginePage(profile, parent), handler_(std::move(handler)) {}

WorkspacePage::WorkspacePage(QWebEngineProfile* profile, WorkspacePage* opener)
    : QWebEnginePage(profile, opener), handler_(opener->handler_), opener_(opener) {}

bool WorkspacePage::decide(const QUrl& url, bool isMainFrame) const {
    NavigationAction action;
    if (!url.isEmpty() && url.isValid()) {
        action.url = url.toString(QUrl::FullyEncoded).toStdString();
    }
    action.isMainFrame = isMainFrame;
    return handler_ ? handler_(action) : true;
}

bool WorkspacePage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    if (!opener_) {
        return decide(url, isMainFrame);
    }
    // The stand-in for a new window: decide once, for the opener.
    QPointer<WorkspacePage> opener = opener_;
    opener_.clear();
    if (decide(url, true) && opener) {
        opener->load(url);
    }
    QTimer::singleShot(0, this, &QObject::deleteLater);
    return false;
}

QWebEnginePage* WorkspacePage::createWindow(WebWindowType) {
    return new WorkspacePage(profile(), this);
}

} // namespace orvendi
