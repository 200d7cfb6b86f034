#include "platform/linux/desktop/QtWindows.h"

#include <QWebEngineProfile>

#include "platform/linux/desktop/QtHUDPanel.h"
#include "platform/linux/desktop/QtSignInView.h"
#include "platform/linux/desktop/QtWorkspaceWindow.h"

namespace orvendi {

QtWindows::QtWindows(Defaults& defaults)
    : defaults_(defaults),
      profile_(std::make_unique<QWebEngineProfile>(QString::fromUtf8(kWebProfileName))) {}

QtWindows::~QtWindows() = default;

std::unique_ptr<HUDPanel> QtWindows::createHUDPanel() {
    return std::make_unique<QtHUDPanel>();
}

std::unique_ptr<SignInView> QtWindows::createSignInView() {
    return std::make_unique<QtSignInView>();
}

std::unique_ptr<WorkspaceWindow> QtWindows::createWorkspaceWindow() {
    return std::make_unique<QtWorkspaceWindow>(*profile_, &defaults_);
}

} // namespace orvendi
