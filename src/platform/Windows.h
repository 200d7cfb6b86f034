#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/StatusItem.h"

namespace orvendi {

enum class TextColor { Secondary, Tertiary, Red };

// The screens, in the platform's order (the first holds the menu bar).
class Screens {
public:
    virtual ~Screens() = default;
    virtual std::vector<Rect> visibleFrames() const = 0;
    virtual std::optional<Rect> mainScreenVisibleFrame() const = 0;
};

// The floating status panel: never takes focus, draggable. Its origin is its
// bottom-left corner in the agent's coordinates (Geometry.h); the view converts.
class HUDPanel {
public:
    virtual ~HUDPanel() = default;
    virtual Size size() const = 0;
    virtual Point origin() const = 0;
    virtual void setOrigin(Point origin) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void setSymbol(const std::string& symbol, const std::string& accessibilityText) = 0;
    virtual void setSymbolTint(Tint tint) = 0;
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    // Called on the main thread after every move of the panel, dragged or placed
    // by setOrigin, at the time of the move: a move while hidden is reported
    // while the panel is still hidden.
    virtual void setMoveHandler(std::function<void()> handler) = 0;
};

// The fixed texts of the sign-in window, chosen by the agent.
struct SignInTexts {
    std::string windowTitle;
    std::string brand;
    std::string headline;
    std::string emailPlaceholder;
    std::string codePlaceholder;
    std::string footnote;
};

// The sign-in window's controls.
class SignInView {
public:
    virtual ~SignInView() = default;
    virtual void setTexts(const SignInTexts& texts) = 0;
    virtual std::string emailText() const = 0;
    virtual std::string codeText() const = 0;
    virtual void setMessage(const std::string& text, TextColor color) = 0;
    virtual void setEmailEnabled(bool enabled) = 0;
    virtual void setCodeVisible(bool visible) = 0;
    virtual void focusCode() = 0;
    virtual void setPrimaryTitle(const std::string& title) = 0;
    virtual void setPrimaryEnabled(bool enabled) = 0;
    // The primary button was pressed (or Return typed).
    virtual void setSubmitHandler(std::function<void()> handler) = 0;
    virtual void show() = 0;
    virtual void close() = 0;
};

// A navigation the workspace web view is about to make.
struct NavigationAction {
    std::optional<std::string> url; // absent when the request has no URL
    bool isMainFrame = true;
};

// The workspace window and its embedded web view.
class WorkspaceWindow {
public:
    virtual ~WorkspaceWindow() = default;
    virtual void setTitle(const std::string& title) = 0;
    // Replaces the web view by a fresh one that runs `documentStartScript` (if
    // any) in the main frame before the page's own scripts.
    virtual void rebuildWebView(const std::optional<std::string>& documentStartScript) = 0;
    virtual void load(const std::string& url, double timeoutSeconds) = 0;
    // Decides each navigation: true allows it in the view.
    virtual void setNavigationHandler(std::function<bool(const NavigationAction&)> handler) = 0;
    virtual void show() = 0;
    virtual bool isVisible() const = 0;
};

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
