#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/KeyEvents.h"
#include "platform/linux/keys/HeldKey.h"
#include "platform/linux/wayland/KeySource.h"

namespace orvendi {

class Log;
class Scheduler;

// The dictation key in a Wayland session, where the X11 monitor only sees
// keys while an XWayland window has focus. The sources are tried in order and
// the first that starts is used for the life of the agent. The key's name
// stays with the XWayland key events; the paste keystroke is the session's.
class WaylandKeyEvents : public KeyEvents {
public:
    // `advice`: what the user should do when no source starts. `pasteKeystroke`
    // posts the paste keystroke the focused window understands, false when
    // it has none.
    WaylandKeyEvents(std::vector<std::unique_ptr<KeySource>> sources, KeyEvents& xwayland,
                     std::function<bool()> pasteKeystroke, Scheduler& scheduler, Log& log,
                     std::string advice);
    ~WaylandKeyEvents() override;

    bool startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) override;
    bool postPasteKeystroke() override { return pasteKeystroke_(); }
    std::string dictationKeyName() const override { return xwayland_.dictationKeyName(); }
    std::string monitorAdvice() const override { return active_ ? "" : advice_; }

    // The source in use, once the monitor runs.
    std::optional<std::string> activeSource() const;

private:
    std::vector<std::unique_ptr<KeySource>> sources_;
    KeyEvents& xwayland_;
    std::function<bool()> pasteKeystroke_;
    Log& log_;
    std::string advice_;
    std::function<void(KeyFlags flags, double at)> onFlagsChanged_;
    HeldKey key_;
    KeySource* active_ = nullptr;
};

} // namespace orvendi
