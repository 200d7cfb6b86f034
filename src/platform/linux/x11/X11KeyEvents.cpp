// Qt first: the X11 headers define macros (Bool, Status) that break Qt's.
#include <QSocketNotifier>
#include <QTimer>

#include "platform/linux/x11/X11KeyEvents.h"

#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <set>
#include <string_view>

namespace orvendi {
namespace {

// Long enough for a user to let go of the key after speaking, short enough
// that a stuck key does not swallow the paste.
constexpr auto kReleaseWaitLimit = std::chrono::milliseconds(1000);
constexpr int kReleasePollMilliseconds = 10;

std::set<int> asSet(const std::vector<KeyCode>& keycodes) {
    return {keycodes.begin(), keycodes.end()};
}

bool isDown(const char keymap[32], int keycode) {
    return (keymap[keycode / 8] >> (keycode % 8)) & 1;
}

// The X server gives every master keyboard an XTest slave named after it
// ("Virtual core XTEST keyboard"); XTest key events come from there.
std::set<int> xtestKeyboards(Display* display) {
    constexpr std::string_view kSuffix = " XTEST keyboard";
    std::set<int> devices;
    int count = 0;
    XIDeviceInfo* info = XIQueryDevice(display, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        const std::string_view name = info[i].name != nullptr ? info[i].name : "";
        if (info[i].use == XISlaveKeyboard && name.ends_with(kSuffix)) {
            devices.insert(info[i].deviceid);
        }
    }
    XIFreeDeviceInfo(info);
    return devices;
}

} // namespace

X11KeyEvents::X11KeyEvents(XConnection& x, Scheduler& scheduler, DictationKey key,
                           Pasteboard& pasteboard, std::function<bool()> targetIsTerminal)
    : x_(x), key_(key), pasteboard_(pasteboard), targetIsTerminal_(std::move(targetIsTerminal)),
      serverClock_(scheduler, EventClock::Counter::Bits32),
      releaseWait_(std::make_unique<QTimer>()) {
    releaseWait_->setInterval(kReleasePollMilliseconds);
    QObject::connect(releaseWait_.get(), &QTimer::timeout, releaseWait_.get(),
                     [this] { postWhenKeysReleased(); });
}

X11KeyEvents::~X11KeyEvents() = default;

std::string X11KeyEvents::dictationKeyName() const {
    return key_.readableName();
}

DictationKey::KeysymNames X11KeyEvents::keysymNames() {
    return {[](const std::string& name) { return XStringToKeysym(name.c_str()); },
            [](KeySym keysym) {
                const char* name = XKeysymToString(keysym);
                return std::string(name ? name : "");
            }};
}

bool X11KeyEvents::serverHasRawKeyEvents(Display* display) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) {
        return false;
    }
    int major = 2;
    int minor = 2;
    return XIQueryVersion(display, &major, &minor) == Success && (major > 2 || minor >= 2);
}

bool X11KeyEvents::startMonitor(std::function<void(KeyFlags flags, double at)> onFlagsChanged) {
    if (events_) {
        onFlagsChanged_ = std::move(onFlagsChanged);
        return true;
    }
    std::unique_ptr<XConnection> connection;
    try {
        connection = std::make_unique<XConnection>(DisplayString(x_.display()));
    } catch (const std::exception&) {
        return false;
    }
    Display* display = connection->display();
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &inputExtensionOpcode_, &event, &error) ||
        !serverHasRawKeyEvents(display)) {
        return false;
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    if (XISelectEvents(display, connection->root(), &mask, 1) != Success) {
        return false;
    }
    XSync(display, False);

    tracker_.setSynthesizingDevices(xtestKeyboards(display));
    events_ = std::move(connection);
    onFlagsChanged_ = std::move(onFlagsChanged);
    refreshKeycodes();
    notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
    readEvents(); // anything that arrived while the selection was made
    return true;
}

void X11KeyEvents::refreshKeycodes() {
    std::set<int> controls;
    for (KeySym control : key_.controlKeysyms()) {
        const auto keycodes = asSet(x_.keycodesOf(control));
        controls.insert(keycodes.begin(), keycodes.end());
    }
    tracker_.setKeycodes(asSet(x_.keycodesOf(key_.keysym())), controls);
}

void X11KeyEvents::readEvents() {
    Display* display = events_->display();
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            refreshKeycodes();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != inputExtensionOpcode_ ||
            !XGetEventData(display, cookie)) {
            continue;
        }
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        // Every key event keeps the server's clock anchored and its wraps counted.
        const double at = serverClock_.at(raw->time);
        std::optional<KeyFlags> changed;
        if (cookie->evtype == XI_RawKeyPress) {
            changed = tracker_.press(raw->sourceid, raw->detail);
        } else if (cookie->evtype == XI_RawKeyRelease) {
            changed = tracker_.release(raw->sourceid, raw->detail);
        }
        XFreeEventData(display, cookie);
        if (changed && onFlagsChanged_) {
            onFlagsChanged_(*changed, at);
        }
    }
}

bool X11KeyEvents::keysHeld() {
    char keymap[32] = {};
    XQueryKeymap(x_.display(), keymap);
    for (KeyCode keycode : x_.keycodesOf(key_.keysym())) {
        if (isDown(keymap, keycode)) {
            return true;
        }
    }
    XModifierKeymap* modifiers = XGetModifierMapping(x_.display());
    bool held = false;
    if (modifiers) {
        const int count = 8 * modifiers->max_keypermod;
        for (int i = 0; i < count && !held; ++i) {
            const KeyCode keycode = modifiers->modifiermap[i];
            held = keycode != 0 && isDown(keymap, keycode);
        }
        XFreeModifiermap(modifiers);
    }
    return held;
}

// XTest always has the keystroke sent, after the user's keys are up.
bool X11KeyEvents::postPasteKeystroke() {
    ++pendingKeystrokes_;
    if (releaseWait_->isActive()) {
        return true;
    }
    waitingSince_ = std::chrono::steady_clock::now();
    postWhenKeysReleased();
    return true;
}

void X11KeyEvents::postWhenKeysReleased() {
    x_.discardEvents();
    const bool waitedLongEnough =
        std::chrono::steady_clock::now() - waitingSince_ >= kReleaseWaitLimit;
    if (keysHeld() && !waitedLongEnough) {
        releaseWait_->start();
        return;
    }
    releaseWait_->stop();
    const bool terminal = targetIsTerminal_ && targetIsTerminal_();
    if (terminal) {
        if (const auto text = pasteboard_.string()) {
            pasteboard_.setPrimarySelection(*text);
        }
    }
    for (; pendingKeystrokes_ > 0; --pendingKeystrokes_) {
        sendPasteKeystroke(terminal);
    }
}

void X11KeyEvents::sendPasteKeystroke(bool intoTerminal) {
    Display* display = x_.display();
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        return;
    }
    const auto modifier = x_.keycodesOf(intoTerminal ? XK_Shift_L : XK_Control_L);
    const auto key = x_.keycodesOf(intoTerminal ? XK_Insert : XK_v);
    if (modifier.empty() || key.empty()) {
        return; // the keyboard mapping has no such key: nothing sensible to post
    }
    const std::vector<KeyCode> chord{modifier.front(), key.front()};
    if (events_) {
        tracker_.expectSynthesized({chord.begin(), chord.end()});
    }
    for (KeyCode keycode : chord) {
        XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    }
    for (auto keycode = chord.rbegin(); keycode != chord.rend(); ++keycode) {
        XTestFakeKeyEvent(display, *keycode, False, CurrentTime);
    }
    XFlush(display);
}

} // namespace orvendi
