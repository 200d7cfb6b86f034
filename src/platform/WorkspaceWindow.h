#pragma once

#include <functional>
#include <optional>
#include <string>

namespace orvendi {

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

} // namespace orvendi
