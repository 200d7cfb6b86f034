#include "platform/linux/qt/QtWindows.h"

#include <QWebEngineProfile>

#include "platform/linux/qt/QtHUDPanel.h"
#include "platform/linux/qt/QtSignInView.h"
#include "platform/linux/qt/QtWorkspaceWindow.h"

namespace orvendi {

QtWindows::QtWindows(Defaults& defaults) : defaults_(defaults) {}

QtWindows::~QtWindows() = default;

std::unique_ptr<HUDPanel> QtWindows::createHUDPanel() {
    return std::make_unique<QtHUDPanel>();
}

std::unique_ptr<SignInView> QtWindows::createSignInView() {
    return std::make_unique<QtSignInView>();
}

QWebEngineProfile& QtWindows::webProfile() {
    if (!profile_) {
        profile_ = std::make_unique<QWebEngineProfile>(QString::fromUtf8(kWebProfileName));
    }
    return *profile_;
}

std::unique_ptr<WorkspaceWindow> QtWindows::createWorkspaceWindow() {
    return std::make_unique<QtWorkspaceWindow>(webProfile(), &defaults_);
}

} // namespace orvendi
