#pragma once

#include <memory>

#include "platform/Windows.h"
#include "platform/linux/qt/QtScreens.h"

class QWebEngineProfile;

namespace orvendi {

class Defaults;

// Makes the agent's windows. The workspace's web storage is the persistent
// profile "orvendi" (cookies and local storage under the XDG data folder),
// made when the first workspace window is (it starts the web engine, which an
// agent that never shows the workspace does without) and kept for the life
// of this object.
class QtWindows : public Windows {
public:
    // `defaults` keeps the workspace window's frame; it must outlive this.
    explicit QtWindows(Defaults& defaults);
    ~QtWindows() override;

    const Screens& screens() const override { return screens_; }
    std::unique_ptr<HUDPanel> createHUDPanel() override;
    std::unique_ptr<SignInView> createSignInView() override;
    std::unique_ptr<WorkspaceWindow> createWorkspaceWindow() override;

    QWebEngineProfile& webProfile();

    static constexpr const char* kWebProfileName = "orvendi";

private:
    Defaults& defaults_;
    QtScreens screens_;
    std::unique_ptr<QWebEngineProfile> profile_;
};

} // namespace orvendi
