#include <gtest/gtest.h>

#include <vector>

#include "DesktopApps.h"
#include "X11Services.h"

namespace orvendi {
namespace {

using test::DesktopApp;
using test::processEventsUntil;
using test::TestKeyboard;

struct Presses {
    std::vector<KeyFlags> seen;
    bool waitFor(size_t count) {
        return processEventsUntil([&] { return seen.size() >= count; }, 5);
    }
};

TEST(X11KeyEvents, DictationKeyAndControlReachTheMonitorWhileAnotherApplicationHasFocus) {
    test::X11Services services;
    DesktopApp zenity("zenity", {"--entry", "--text=Somebody else's window"});
    ASSERT_TRUE(processEventsUntil(
        [&] { return services.workspace.frontmostProcessId() == zenity.processId(); },
        test::kAppStartSeconds));
    EXPECT_FALSE(services.terminals.activeWindowIsTerminal()) << "pastes get plain Control-V";

    Presses presses;
    ASSERT_TRUE(services.keyEvents.startMonitor(
        [&](KeyFlags flags, double) { presses.seen.push_back(flags); }));
    TestKeyboard keyboard;
    keyboard.press("Control_R");
    keyboard.press("Control_L");
    keyboard.release("Control_L");
    keyboard.release("Control_R");
    keyboard.press("Control_L"); // Control alone, then a key that is neither
    keyboard.tap("a");
    keyboard.release("Control_L");

    ASSERT_TRUE(presses.waitFor(6));
    test::processEventsFor(0.1); // nothing more may arrive
    const std::vector<KeyFlags> expected{{true, false},  {true, true},  {true, false},
                                         {false, false}, {false, true}, {false, false}};
    EXPECT_EQ(presses.seen, expected);
    EXPECT_EQ(services.keyEvents.dictationKeyName(), "Right Ctrl");
}

TEST(X11KeyEvents, ConfiguredDictationKeyLeavesBothControlKeysAsControl) {
    struct Case {
        const char* configured;
        const char* dictationKey;
        const char* controlKey;
        const char* readableName;
    };
    const Case cases[] = {
        {"F12", "F12", "Control_R", "F12"},
        {"Control_L", "Control_L", "Control_R", "Left Ctrl"},
    };
    TestKeyboard keyboard;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configured);
        test::X11Services services(std::string(c.configured));
        Presses presses;
        ASSERT_TRUE(services.keyEvents.startMonitor(
            [&](KeyFlags flags, double) { presses.seen.push_back(flags); }));
        keyboard.press(c.controlKey);
        keyboard.press(c.dictationKey);
        keyboard.release(c.dictationKey);
        keyboard.release(c.controlKey);
        ASSERT_TRUE(presses.waitFor(4));
        const std::vector<KeyFlags> expected{
            {false, true}, {true, true}, {false, true}, {false, false}};
        EXPECT_EQ(presses.seen, expected);
        EXPECT_EQ(services.keyEvents.dictationKeyName(), c.readableName);
    }
}

// Left Control as the dictation key: the paste's own Control press must not
// count as one.
TEST(X11KeyEvents, PasteKeystrokeWaitsForTheDictationKeyAndIsNoPressOfIt) {
    test::X11Services services(std::string("Control_L"));
    DesktopApp zenity("zenity", {"--entry", "--entry-text="});
    ASSERT_TRUE(processEventsUntil(
        [&] {
            auto element = services.accessibility.focusedElement(zenity.processId());
            return element && services.accessibility.role(*element) == kRoleTextField;
        },
        test::kAppStartSeconds));
    services.pasteboard.setString("held");
    test::processEventsFor(0.12);

    Presses presses;
    ASSERT_TRUE(services.keyEvents.startMonitor(
        [&](KeyFlags flags, double) { presses.seen.push_back(flags); }));
    TestKeyboard keyboard;
    keyboard.press("Control_L");
    ASSERT_TRUE(presses.waitFor(1));
    services.keyEvents.postPasteKeystroke();
    // While the key is held nothing may be typed: a held Shift or Alt would
    // turn the synthesized chord into another shortcut.
    test::processEventsFor(0.3);
    auto element = services.accessibility.focusedElement(zenity.processId());
    ASSERT_TRUE(element);
    EXPECT_EQ(test::textOf(*element), "");
    keyboard.release("Control_L");
    EXPECT_TRUE(processEventsUntil([&] { return test::textOf(*element) == "held"; }, 5));
    test::processEventsFor(0.2);
    const std::vector<KeyFlags> expected{{true, false}, {false, false}};
    EXPECT_EQ(presses.seen, expected);
}

} // namespace
} // namespace orvendi
