#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"
#include "platform/linux/rules/DictationKey.h"
#include "platform/linux/rules/EventClock.h"
#include "platform/linux/rules/RawKeyTracker.h"
#include "platform/linux/x11/XConnection.h"

class QSocketNotifier;
class QTimer;

namespace orvendi {

class Scheduler;

// The dictation key monitor and the paste keystroke on X11.
//
// The monitor listens to XInput2 raw key events on the root window of a
// connection of its own: they reach every client whatever window has focus or
// holds a grab, and listening consumes nothing. The connection's socket is
// watched by the Qt event loop, so flags changes are reported on the main
// thread, each stamped with the X server's time of its event: when the main
// thread was busy, a press and its release read together keep their interval.
//
// The paste keystroke is synthesized with XTest. It waits, up to a short limit,
// for the user to let go of the dictation key and every modifier: a keystroke
// mixed with held keys would become a different shortcut. Applications get
// Control-V. Terminals get Shift+Insert, which pastes the PRIMARY selection in
// xterm, VTE terminals and Konsole alike (stock xterm has no Control-Shift-V,
// and Control-V there types a control character): the clipboard's text is put
// on that selection first. Other applications keep their selection, as a
// field whose selected text is being replaced would lose it.
class X11KeyEvents : public KeyEvents {
public:
    // `targetIsTerminal` is asked right before each keystroke; `pasteboard`
    // holds the text to paste.
    X11KeyEvents(XConnection& x, Scheduler& scheduler, DictationKey key, Pasteboard& pasteboard,
                 std::function<bool()> targetIsTerminal);
    ~X11KeyEvents() override;

    bool startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) override;
    bool postPasteKeystroke() override;
    std::string dictationKeyName() const override;

    // XInput 2.2 raw key events are what the monitor needs from the X server.
    static bool serverHasRawKeyEvents(Display* display);
    // Xlib's keysym spellings, for naming the dictation key.
    static DictationKey::KeysymNames keysymNames();

private:
    void readEvents();
    void refreshKeycodes();
    bool keysHeld();
    void postWhenKeysReleased();
    void sendPasteKeystroke(bool intoTerminal);

    XConnection& x_;
    DictationKey key_;
    Pasteboard& pasteboard_;
    std::function<bool()> targetIsTerminal_;
    std::function<void(KeyFlags flags, double at)> onFlagsChanged_;

    std::unique_ptr<XConnection> events_;
    int inputExtensionOpcode_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    RawKeyTracker tracker_;
    EventClock serverClock_;

    std::unique_ptr<QTimer> releaseWait_;
    int pendingKeystrokes_ = 0;
    std::chrono::steady_clock::time_point waitingSince_;
};

} // namespace orvendi
