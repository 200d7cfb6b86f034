// The status menu and the commands behind it that are not part of dictation.
#include "app/AppDelegate.h"

namespace orvendi {
namespace {

// The system settings pages the agent opens; the platform maps each address
// to what helps on its desktop.
std::string settingsURL(const std::string& permission) {
    static const std::pair<const char*, const char*> kPages[] = {
        {"microphone", "Privacy_Microphone"},
        {"accessibility", "Privacy_Accessibility"},
        {"input-monitoring", "Privacy_ListenEvent"},
        {"screen-recording", "Privacy_ScreenCapture"},
    };
    for (const auto& [name, anchor] : kPages) {
        if (permission == name) {
            return std::string("x-apple.systempreferences:com.apple.preference.security?") + anchor;
        }
    }
    return {};
}

} // namespace

void AppDelegate::buildStatusMenu() {
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    auto action = [weakSelf](void (AppDelegate::*command)()) {
        return [weakSelf, command] {
            if (auto self = weakSelf.lock()) {
                ((*self).*command)();
            }
        };
    };
    statusMenu_ = platform_.application.createMenu("");
    toggleItem_ = statusMenu_->addItem(kStartTitle, action(&AppDelegate::menuToggle));
    retryRecordingItem_ =
        statusMenu_->addItem("Retry saved recording", action(&AppDelegate::retrySavedRecording));
    copyLastItem_ = statusMenu_->addItem("Copy last dictation", action(&AppDelegate::copyLast));
    statusMenu_->addSeparator();
    statusMenu_->addItem("Open Orvendi", action(&AppDelegate::openHistory));
    statusMenu_->addItem("Settings & permissions…", action(&AppDelegate::openActivation));
    statusMenu_->addSeparator();
    Application& app = platform_.application;
    statusMenu_->addItem("Quit", [&app] { app.terminate(); }, {"q", kModifierCommand});

    toggleItem_->setEnabled(true);
    retryRecordingItem_->setEnabled(!recorder_.pendingRecordings().empty());
    copyLastItem_->setEnabled(false);
}

void AppDelegate::copyLast() {
    if (!lastText_) {
        return;
    }
    platform_.pasteboard.clearContents();
    platform_.pasteboard.setString(*lastText_);
    flash("doc.on.clipboard");
}

void AppDelegate::openHistory() {
    showWorkspace("/app");
}

void AppDelegate::openActivation() {
    showWorkspace("/settings");
}

void AppDelegate::openAccessibilitySettings() {
    openSettingsPage("accessibility");
}

void AppDelegate::openSettingsPage(const std::string& permission) {
    const std::string url = settingsURL(permission);
    if (!url.empty()) {
        platform_.workspace.openURL(url); // a page that cannot be opened is ignored
    }
}

} // namespace orvendi
