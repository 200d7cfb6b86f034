#include "app/StatusMenu.h"

#include "capture/Recorder.h"
#include "platform/Application.h"
#include "platform/Log.h"
#include "platform/Menu.h"
#include "platform/StatusItem.h"

namespace orvendi {
namespace {

constexpr const char* kIdleSymbol = "waveform";
constexpr const char* kIdleAccessibility = "Dictation idle";
constexpr const char* kRecordingSymbol = "record.circle.fill";
constexpr const char* kRecordingAccessibility = "Recording";

} // namespace

std::shared_ptr<StatusMenu> StatusMenu::create(Application& application, Scheduler& scheduler,
                                               Log& log, std::shared_ptr<const Recorder> recorder,
                                               const Commands& commands) {
    std::shared_ptr<StatusMenu> statusMenu(
        new StatusMenu(application, scheduler, log, std::move(recorder)));
    statusMenu->statusItem_ = application.createStatusItem();
    statusMenu->showIdle();
    statusMenu->buildMenu(commands);
    statusMenu->statusItem_->setMenu(statusMenu->menu_);
    return statusMenu;
}

StatusMenu::StatusMenu(Application& application, Scheduler& scheduler, Log& log,
                       std::shared_ptr<const Recorder> recorder)
    : application_(application), scheduler_(scheduler), log_(log), recorder_(std::move(recorder)) {}

void StatusMenu::buildMenu(const Commands& commands) {
    menu_ = application_.createMenu("");
    toggleItem_ = menu_->addItem(kStartTitle, commands.toggle);
    retryItem_ = menu_->addItem("Retry saved recording", commands.retry);
    copyLastItem_ = menu_->addItem("Copy last dictation", commands.copyLast);
    menu_->addSeparator();
    menu_->addItem("Open Orvendi", commands.openHistory);
    menu_->addItem("Settings & permissions…", commands.openActivation);
    menu_->addSeparator();
    Application& app = application_;
    menu_->addItem("Quit", [&app] { app.terminate(); }, {"q", kModifierCommand});

    toggleItem_->setEnabled(true);
    refreshRetryItem();
    copyLastItem_->setEnabled(false);
}

std::shared_ptr<Menu> StatusMenu::currentMenu() const {
    return statusItem_->menu();
}

void StatusMenu::insertAccessibilityWarning(Menu& menu, const std::string& advice,
                                            std::function<void()> openSettings) {
    // Where the platform knows the one thing to do (a Wayland session), the
    // item says it.
    const std::string title =
        advice.empty() ? "⚠ Grant Accessibility for the dictation key…" : "⚠ " + advice;
    menu.insertItem(0, title, std::move(openSettings));
    menu.insertSeparator(1);
}

void StatusMenu::setIcon(const std::string& symbol, const std::string& accessibility) {
    // The red recording dot is the only coloured state; every other symbol is
    // drawn in the panel's own colour.
    const bool recording = symbol == kRecordingSymbol;
    statusItem_->setSymbol(symbol, accessibility, !recording);
    statusItem_->setTint(recording ? Tint::SystemRed : Tint::None);
}

void StatusMenu::showIdle() {
    setIcon(kIdleSymbol, kIdleAccessibility);
    setToggleTitle(kStartTitle);
}

void StatusMenu::showRecording() {
    setIcon(kRecordingSymbol, kRecordingAccessibility);
    setToggleTitle(kStopTitle);
}

void StatusMenu::showCurrentRecordingState() {
    if (recorder_->isRecording()) {
        showRecording();
    } else {
        showIdle();
    }
}

void StatusMenu::setToggleTitle(const std::string& title) {
    if (toggleItem_) {
        toggleItem_->setTitle(title);
    }
}

void StatusMenu::setRetryEnabled(bool enabled) {
    retryItem_->setEnabled(enabled);
}

void StatusMenu::refreshRetryItem() {
    setRetryEnabled(!recorder_->retryableRecordings().empty());
}

void StatusMenu::enableCopyLast() {
    copyLastItem_->setEnabled(true);
}

void StatusMenu::fail(const std::string& message) {
    log_.writeFormat("Orvendi error: %@", {message});
    setIcon("exclamationmark.triangle", message);
    scheduleIconReset(kErrorDisplaySeconds);
}

void StatusMenu::flash(const std::string& symbol) {
    setIcon(symbol, "Done");
    constexpr double kFlashSeconds = 1.2;
    scheduleIconReset(kFlashSeconds);
}

void StatusMenu::scheduleIconReset(double seconds) {
    // Never cancelled; it shows whatever state holds when it fires.
    auto self = shared_from_this();
    scheduler_.mainAfter(seconds, [self] { self->showCurrentRecordingState(); });
}

} // namespace orvendi
