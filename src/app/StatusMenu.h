#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orvendi {

class Application;
class Log;
class Menu;
class MenuItem;
class Recorder;
class Scheduler;
class StatusItem;

// The status item in the panel and its menu: the icon that shows the
// dictation state, the items the dictation flow enables and renames, and the
// short feedback of errors and confirmations in the icon. Main thread only.
class StatusMenu : public std::enable_shared_from_this<StatusMenu> {
public:
    static constexpr const char* kStartTitle = "Start recording";
    static constexpr const char* kStopTitle = "Stop & transcribe";
    // How long a failure stays in the icon.
    static constexpr double kErrorDisplaySeconds = 2.5;

    // The actions behind the menu's items; Quit goes to the application.
    struct Commands {
        std::function<void()> toggle;
        std::function<void()> retry;
        std::function<void()> copyLast;
        std::function<void()> openHistory;
        std::function<void()> openActivation;
    };

    // Creates the status item with the idle icon and gives it the full menu.
    // The recorder tells which recordings are pending and whether the
    // microphone is live.
    static std::shared_ptr<StatusMenu> create(Application& application, Scheduler& scheduler,
                                              Log& log, std::shared_ptr<const Recorder> recorder,
                                              const Commands& commands);
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    const std::shared_ptr<Menu>& menu() const { return menu_; }
    // The menu the status item shows now (normally menu()).
    std::shared_ptr<Menu> currentMenu() const;
    // The warning item at the top of `menu`, when the dictation key cannot be watched.
    // `advice`: the platform's one sentence on what to do, when it knows one.
    static void insertAccessibilityWarning(Menu& menu, const std::string& advice,
                                           std::function<void()> openSettings);

    void setIcon(const std::string& symbol, const std::string& accessibility);
    void showIdle();
    void showRecording();
    // Idle or recording, whichever the microphone is: a live one is never shown idle.
    void showCurrentRecordingState();
    void setToggleTitle(const std::string& title);
    void setRetryEnabled(bool enabled);
    // Enables "Retry saved recording" exactly when recordings are pending.
    void refreshRetryItem();
    void enableCopyLast();

    // Logs the message and shows it in the icon for a while.
    void fail(const std::string& message);
    // Shows a confirmation symbol in the icon for a moment.
    void flash(const std::string& symbol);

private:
    StatusMenu(Application& application, Scheduler& scheduler, Log& log,
               std::shared_ptr<const Recorder> recorder);
    void buildMenu(const Commands& commands);
    void scheduleIconReset(double seconds);

    Application& application_;
    Scheduler& scheduler_;
    Log& log_;
    std::shared_ptr<const Recorder> recorder_;
    std::shared_ptr<StatusItem> statusItem_;
    std::shared_ptr<Menu> menu_;
    std::shared_ptr<MenuItem> toggleItem_;
    std::shared_ptr<MenuItem> retryItem_;
    std::shared_ptr<MenuItem> copyLastItem_;
};

} // namespace orvendi
