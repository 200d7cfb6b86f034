#pragma once

#include <vector>

#include "platform/Windows.h"

namespace orvendi::test {

class FakeScreens : public Screens {
public:
    std::vector<Rect> visibleFrames() const override { return frames; }
    std::optional<Rect> mainScreenVisibleFrame() const override { return mainFrame; }
    std::vector<Rect> frames{{{0, 0}, {1920, 1050}}};
    std::optional<Rect> mainFrame = Rect{{0, 0}, {1920, 1050}};
};

class FakeHUDPanel : public HUDPanel {
public:
    Size size() const override { return size_; }
    Point origin() const override { return origin_; }
    void setOrigin(Point origin) override {
        origin_ = origin;
        if (onMove_) {
            onMove_();
        }
    }
    void setText(const std::string& value) override { text = value; }
    void setSymbol(const std::string& value, const std::string& accessibility) override {
        symbol = value;
        symbolAccessibility = accessibility;
    }
    void setSymbolTint(Tint value) override { symbolTint = value; }
    void orderFront() override { visible_ = true; }
    void orderOut() override { visible_ = false; }
    bool isVisible() const override { return visible_; }
    void setMoveHandler(std::function<void()> handler) override { onMove_ = std::move(handler); }

    // The user drags the panel.
    void drag(Point to) { setOrigin(to); }

    std::string text;
    std::string symbol;
    std::string symbolAccessibility;
    Tint symbolTint = Tint::None;
    Size size_{210, 48};

private:
    Point origin_;
    bool visible_ = false;
    std::function<void()> onMove_;
};

class FakeSignInView : public SignInView {
public:
    void setTexts(const SignInTexts& value) override { texts = value; }
    std::string emailText() const override { return email; }
    std::string codeText() const override { return code; }
    void setMessage(const std::string& text, TextColor color) override {
        message = text;
        messageColor = color;
    }
    void setEmailEnabled(bool enabled) override { emailEnabled = enabled; }
    void setCodeVisible(bool visible) override { codeVisible = visible; }
    void focusCode() override { codeFocused = true; }
    void setPrimaryTitle(const std::string& title) override { primaryTitle = title; }
    void setPrimaryEnabled(bool enabled) override { primaryEnabled = enabled; }
    void setSubmitHandler(std::function<void()> handler) override {
        onSubmit_ = std::move(handler);
    }
    void show() override { shown = true; }
    void close() override {
        shown = false;
        closed = true;
    }
    void submit() {
        if (onSubmit_ && primaryEnabled) {
            onSubmit_();
        }
    }

    SignInTexts texts;
    std::string email;
    std::string code;
    std::string message;
    TextColor messageColor = TextColor::Secondary;
    bool emailEnabled = true;
    bool codeVisible = false;
    bool codeFocused = false;
    std::string primaryTitle;
    bool primaryEnabled = true;
    bool shown = false;
    bool closed = false;

private:
    std::function<void()> onSubmit_;
};

class FakeWorkspaceWindow : public WorkspaceWindow {
public:
    void setTitle(const std::string& value) override { title = value; }
    void rebuildWebView(const std::optional<std::string>& script) override {
        ++rebuilds;
        documentStartScript = script;
        loadedURL.reset();
    }
    void load(const std::string& url, double timeoutSeconds) override {
        loadedURL = url;
        loadTimeout = timeoutSeconds;
    }
    void setNavigationHandler(std::function<bool(const NavigationAction&)> handler) override {
        navigation_ = std::move(handler);
    }
    void show() override { visible = true; }
    bool isVisible() const override { return visible; }

    // Asks the navigation handler as the web view would; true means allowed.
    bool navigate(const NavigationAction& action) {
        return navigation_ ? navigation_(action) : true;
    }

    std::string title;
    int rebuilds = 0;
    std::optional<std::string> documentStartScript;
    std::optional<std::string> loadedURL;
    double loadTimeout = 0;
    bool visible = false;

private:
    std::function<bool(const NavigationAction&)> navigation_;
};

// Hands out fakes and keeps a pointer to each for the test.
class FakeWindows : public Windows {
public:
    const Screens& screens() const override { return fakeScreens; }
    std::unique_ptr<HUDPanel> createHUDPanel() override {
        auto panel = std::make_unique<FakeHUDPanel>();
        hud = panel.get();
        return panel;
    }
    std::unique_ptr<SignInView> createSignInView() override {
        auto view = std::make_unique<FakeSignInView>();
        signIn = view.get();
        return view;
    }
    std::unique_ptr<WorkspaceWindow> createWorkspaceWindow() override {
        auto window = std::make_unique<FakeWorkspaceWindow>();
        workspace = window.get();
        return window;
    }

    FakeScreens fakeScreens;
    FakeHUDPanel* hud = nullptr;
    FakeSignInView* signIn = nullptr;
    FakeWorkspaceWindow* workspace = nullptr;
};

} // namespace orvendi::test
