#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Geometry.h"
#include "ui/HUDMessage.h"

namespace orvendi {

class Defaults;
class HUDPanel;
class Scheduler;
class Screens;
class Windows;

// The floating status panel of dictation. It never takes focus, can be dragged
// anywhere, and remembers where the user left it (the user default
// kPositionKey, the panel's bottom-left corner as "{x, y}"). Main thread only.
class ScreenAwareHUD {
public:
    static constexpr const char* kPositionKey = "Orvendi.RecordingHUDOrigin";
    // Distance of the first placement from the top-right corner of the screen.
    static constexpr double kDefaultInsetRight = 16;
    static constexpr double kDefaultInsetTop = 12;

    ScreenAwareHUD(Windows& windows, Defaults& defaults, Scheduler& scheduler);
    ~ScreenAwareHUD();
    ScreenAwareHUD(const ScreenAwareHUD&) = delete;
    ScreenAwareHUD& operator=(const ScreenAwareHUD&) = delete;

    // Shows the text with the named symbol at the remembered (or default)
    // place; while shown, replaces text and symbol and places the panel again.
    void show(const std::string& text, const std::string& symbol);
    // Hides the panel `seconds` from now, unless a message is shown before then:
    // a hide belongs to the message it was scheduled for.
    void hide(double seconds);
    // Shows the message and schedules its hide, if it has one.
    void show(const HUDMessage& message);
    // Shows a recording state (no hide) marked with how many seconds of the
    // recording already have their text.
    void showTranscribed(const HUDMessage& state, double seconds);

    // Where the panel goes: the remembered origin, or the default one, kept on a screen.
    Point resolvedOrigin() const;
    // The top-right corner of the first screen's visible frame, inset.
    Point defaultOrigin() const;
    // `origin` moved so the panel lies inside the visible frame of the screen it
    // overlaps most (the earlier screen on a tie).
    Point constrained(Point origin) const;

private:
    void panelDidMove();

    const Screens& screens_;
    Defaults& defaults_;
    Scheduler& scheduler_;
    std::unique_ptr<HUDPanel> panel_;
    // Counts shown messages, so a pending hide knows whether its message is
    // still the one on screen.
    uint64_t shownMessages_ = 0;
    // Delayed hides and move reports reach the HUD only while it exists.
    std::shared_ptr<ScreenAwareHUD*> self_;
};

} // namespace orvendi
