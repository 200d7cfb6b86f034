// Rules of the desktop layer that need no display.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/Accessibility.h"
#include "platform/linux/rules/AtspiRoles.h"
#include "platform/linux/rules/DictationKey.h"
#include "platform/linux/rules/EventClock.h"
#include "platform/linux/rules/PermissionSettingsPages.h"
#include "platform/linux/rules/RawKeyTracker.h"
#include "platform/linux/rules/TerminalClasses.h"
#include "support/fakes/VirtualScheduler.h"

#include <X11/keysym.h>

namespace orvendi {
namespace {

constexpr int kControlR = 105;
constexpr int kControlL = 37;
constexpr int kLetterA = 38;

TEST(RawKeyTracker, ReportsEachChangeOnceAndKeepsKeysHeldOnAnyKeyboard) {
    RawKeyTracker tracker;
    tracker.setKeycodes({kControlR}, {kControlL});
    const int laptop = 11;
    const int usb = 12;

    EXPECT_EQ(tracker.press(laptop, kControlR), (KeyFlags{true, false}));
    EXPECT_EQ(tracker.press(laptop, kControlR), std::nullopt) << "repeats change nothing";
    EXPECT_EQ(tracker.press(usb, kControlR), std::nullopt);
    EXPECT_EQ(tracker.release(laptop, kControlR), std::nullopt)
        << "still held on the other keyboard";
    EXPECT_EQ(tracker.press(laptop, kLetterA), std::nullopt);
    EXPECT_EQ(tracker.press(laptop, kControlL), (KeyFlags{true, true}));
    EXPECT_EQ(tracker.release(usb, kControlR), (KeyFlags{false, true}));
    EXPECT_EQ(tracker.release(laptop, kControlL), (KeyFlags{false, false}));
    EXPECT_EQ(tracker.release(laptop, kControlL), std::nullopt) << "a release never seen pressed";
}

// The spellings Xlib knows, as far as these cases need them.
DictationKey::KeysymNames keysymNames() {
    static const std::map<std::string, KeySym> keysyms{{"Control_R", XK_Control_R},
                                                       {"Control_L", XK_Control_L},
                                                       {"Alt_R", XK_Alt_R},
                                                       {"F13", XK_F13}};
    return {[](const std::string& name) {
                const auto found = keysyms.find(name);
                return found == keysyms.end() ? KeySym(NoSymbol) : found->second;
            },
            [](KeySym keysym) {
                for (const auto& [name, value] : keysyms) {
                    if (value == keysym) {
                        return name;
                    }
                }
                return std::string();
            }};
}

// With Left Control as the dictation key, the agent's own Control-V paste
// must not start or end a dictation.
TEST(RawKeyTracker, TheAgentsOwnKeystrokeChangesNoFlagWhileTheUsersKeysStillDo) {
    RawKeyTracker tracker;
    tracker.setKeycodes({kControlL}, {kControlR});
    const int xtest = 9;
    const int keyboard = 11;
    tracker.setSynthesizingDevices({xtest});

    tracker.expectSynthesized({kControlL, kLetterA});
    EXPECT_EQ(tracker.press(keyboard, kControlR), (KeyFlags{false, true}));
    EXPECT_EQ(tracker.press(xtest, kControlL), std::nullopt);
    EXPECT_EQ(tracker.press(xtest, kLetterA), std::nullopt);
    EXPECT_EQ(tracker.press(keyboard, kControlL), (KeyFlags{true, true}))
        << "the user's own press of the same key counts";
    EXPECT_EQ(tracker.release(xtest, kLetterA), std::nullopt);
    EXPECT_EQ(tracker.release(xtest, kControlL), std::nullopt);
    EXPECT_EQ(tracker.release(keyboard, kControlL), (KeyFlags{false, true}));
    EXPECT_EQ(tracker.release(keyboard, kControlR), (KeyFlags{false, false}));

    // Once the keystroke has come back, XTest presses are keys again (an
    // on-screen keyboard, a remote desktop).
    EXPECT_EQ(tracker.press(xtest, kControlL), (KeyFlags{true, false}));
}

// Anchored at the first event, intervals kept however late events are read,
// the wrap counted, anchored again after a jump no busy spell explains.
TEST(EventClock, KeepsTheSourcesIntervalsHoweverLateEventsAreRead) {
    test::VirtualScheduler scheduler;
    EventClock clock(scheduler, EventClock::Counter::Bits32);
    constexpr uint64_t kNearTheWrap = 0xFFFFFF00;
    const double first = scheduler.now();
    EXPECT_DOUBLE_EQ(clock.at(kNearTheWrap), first);
    scheduler.advance(1); // the next two are read a second late, together
    EXPECT_DOUBLE_EQ(clock.at(kNearTheWrap + 200), first + 0.2);
    EXPECT_DOUBLE_EQ(clock.at((kNearTheWrap + 1000) & 0xFFFFFFFF), first + 1.0);
    scheduler.advance(3600); // asleep: the server's clock stood still
    EXPECT_DOUBLE_EQ(clock.at(800), scheduler.now());
}

TEST(DictationKey, NamesTheKeyAndPicksTheOtherControl) {
    struct Case {
        std::optional<std::string> configured;
        KeySym key;
        std::vector<KeySym> controls;
        std::string name;
    };
    const Case cases[] = {
        {std::nullopt, XK_Control_R, {XK_Control_L}, "Right Ctrl"},
        {"", XK_Control_R, {XK_Control_L}, "Right Ctrl"},
        {"Control_R", XK_Control_R, {XK_Control_L}, "Right Ctrl"},
        {"Control_L", XK_Control_L, {XK_Control_R}, "Left Ctrl"},
        {"Alt_R", XK_Alt_R, {XK_Control_L, XK_Control_R}, "Right Alt"},
        {"F13", XK_F13, {XK_Control_L, XK_Control_R}, "F13"},
        {"not a keysym", XK_Control_R, {XK_Control_L}, "Right Ctrl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configured.value_or("(absent)"));
        const DictationKey key(c.configured, keysymNames());
        EXPECT_EQ(key.keysym(), c.key);
        EXPECT_EQ(key.controlKeysyms(), c.controls);
        EXPECT_EQ(key.readableName(), c.name);
    }
}

TEST(TerminalClasses, KnowsTerminalEmulatorsByWindowClass) {
    for (const char* name : {"xterm", "XTerm", "UXTerm", "gnome-terminal-server", "Gnome-terminal",
                             "konsole", "Alacritty", "kitty", "URxvt", "xfce4-terminal",
                             "st-256color", "org.wezfurlong.wezterm", "foot"}) {
        EXPECT_TRUE(isTerminalClass(name)) << name;
    }
    for (const char* name :
         {"zenity", "Zenity", "firefox", "code", "gedit", "Termius-notes-app", ""}) {
        EXPECT_FALSE(isTerminalClass(name)) << name;
    }
}

TEST(AtspiRoles, TextRolesBecomeTheAgentsTextFieldsAndPasswordTextIsSecure) {
    struct Case {
        AtspiRole role;
        bool multiLine;
        std::string expectedRole;
        std::optional<std::string> expectedSubrole;
    };
    const Case cases[] = {
        {ATSPI_ROLE_PASSWORD_TEXT, false, kRoleTextField, kSubroleSecureTextField},
        {ATSPI_ROLE_TEXT, false, kRoleTextField, std::nullopt},
        {ATSPI_ROLE_ENTRY, false, kRoleTextField, std::nullopt},
        {ATSPI_ROLE_TEXT, true, "AXTextArea", std::nullopt},
        {ATSPI_ROLE_TERMINAL, true, "AXTextArea", std::nullopt},
        {ATSPI_ROLE_COMBO_BOX, false, "AXComboBox", std::nullopt},
        {ATSPI_ROLE_DOCUMENT_WEB, false, "AXWebArea", std::nullopt},
        {ATSPI_ROLE_LIST_ITEM, false, "AXListItem", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto mapped = agentRoleOf(c.role, c.multiLine);
        EXPECT_EQ(mapped.role, c.expectedRole) << c.role;
        EXPECT_EQ(mapped.subrole, c.expectedSubrole) << c.role;
    }
}

TEST(PermissionSettingsPages, EachPageFindsItsFirstInstalledProgramAndAlwaysItsFallback) {
    using Page = PermissionSettingsPages::Page;
    const std::string prefix = "x-apple.systempreferences:com.apple.preference.security?";
    EXPECT_EQ(PermissionSettingsPages::pageOf(prefix + "Privacy_Microphone"), Page::Microphone);
    EXPECT_EQ(PermissionSettingsPages::pageOf(prefix + "Privacy_Accessibility"),
              Page::Accessibility);
    EXPECT_EQ(PermissionSettingsPages::pageOf(prefix + "Privacy_ListenEvent"),
              Page::InputMonitoring);
    EXPECT_EQ(PermissionSettingsPages::pageOf(prefix + "Privacy_ScreenCapture"),
              Page::ScreenCapture);
    EXPECT_EQ(PermissionSettingsPages::pageOf(prefix + "Privacy_Camera"), std::nullopt);
    EXPECT_EQ(PermissionSettingsPages::pageOf("https://example.org/?Privacy_Microphone"),
              std::nullopt);

    std::string fallback = "http://127.0.0.1:3000/settings";
    std::set<std::string> installed{"gnome-control-center", "pavucontrol"};
    const PermissionSettingsPages pages(
        PermissionSettingsPages::desktopPrograms(), [&] { return fallback; },
        [&](const std::string& program) { return installed.count(program) > 0; });
    using Destination = PermissionSettingsPages::Destination;
    EXPECT_EQ(pages.destinationFor(prefix + "Privacy_Microphone"),
              (Destination{{"gnome-control-center", "sound"}, fallback}));
    EXPECT_EQ(pages.destinationFor(prefix + "Privacy_Accessibility"),
              (Destination{{"gnome-control-center", "universal-access"}, fallback}));
    EXPECT_EQ(pages.destinationFor(prefix + "Privacy_ListenEvent"), (Destination{{}, fallback}));

    installed = {"pavucontrol"};
    EXPECT_EQ(pages.destinationFor(prefix + "Privacy_Microphone"),
              (Destination{{"pavucontrol", "--tab=4"}, fallback}));
    fallback.clear();
    EXPECT_EQ(pages.destinationFor(prefix + "Privacy_ScreenCapture"), std::nullopt)
        << "nothing can show it";
    EXPECT_EQ(pages.destinationFor("https://example.org"), std::nullopt);
}

} // namespace
} // namespace orvendi
