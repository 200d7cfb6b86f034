#pragma once

#include <memory>

#include "platform/HUDPanel.h"
#include "platform/Screens.h"
#include "platform/SignInView.h"
#include "platform/WorkspaceWindow.h"

namespace orvendi {

// Creates the agent's windows.
class Windows {
public:
    virtual ~Windows() = default;
    virtual const Screens& screens() const = 0;
    virtual std::unique_ptr<HUDPanel> createHUDPanel() = 0;
    virtual std::unique_ptr<SignInView> createSignInView() = 0;
    virtual std::unique_ptr<WorkspaceWindow> createWorkspaceWindow() = 0;
};

} // namespace orvendi
