#include <gtest/gtest.h>

#include "DesktopApps.h"
#include "X11Services.h"
#include "platform/linux/atspi/AtspiElement.h"

namespace orvendi {
namespace {

using test::DesktopApp;
using test::processEventsUntil;

// Waits until the application's focused element has the role, and returns it.
std::shared_ptr<AccessibleElement> waitForFocus(test::X11Services& services, int32_t processId,
                                                const std::optional<std::string>& subrole) {
    std::shared_ptr<AccessibleElement> element;
    processEventsUntil(
        [&] {
            element = services.accessibility.focusedElement(processId);
            return element && services.accessibility.role(*element) == kRoleTextField &&
                   services.accessibility.subrole(*element) == subrole;
        },
        test::kAppStartSeconds);
    return element;
}

TEST(AtspiAccessibility, EntryOfTheFrontmostApplicationIsATextFieldWithItsSelection) {
    test::X11Services services;
    DesktopApp zenity("zenity", {"--entry", "--text=Name", "--entry-text=hello world"});
    ASSERT_TRUE(processEventsUntil(
        [&] { return services.workspace.frontmostProcessId() == zenity.processId(); },
        test::kAppStartSeconds));
    auto element = waitForFocus(services, zenity.processId(), std::nullopt);
    ASSERT_TRUE(element);

    // GTK selects an entry's text when it takes the focus.
    EXPECT_EQ(services.accessibility.selectedRange(*element), (TextRange{0, 11}));

    const TextRange written[] = {{6, 0}, {0, 5}, {11, 0}, {3, 4}};
    for (const auto& range : written) {
        EXPECT_TRUE(services.accessibility.setSelectedRange(*element, range));
        EXPECT_EQ(services.accessibility.selectedRange(*element), range);
    }
    EXPECT_FALSE(services.accessibility.setSelectedRange(*element, {-1, 2}));
}

TEST(AtspiAccessibility, FocusFollowsTheUserAcrossTheFieldsOfAForm) {
    test::X11Services services;
    DesktopApp zenity("zenity", {"--forms", "--text=Account", "--add-entry=Name",
                                 "--add-password=Password", "--add-entry=Town"});
    auto name = waitForFocus(services, zenity.processId(), std::nullopt);
    ASSERT_TRUE(name);

    test::TestKeyboard keyboard;
    keyboard.tap("Tab");
    auto password =
        waitForFocus(services, zenity.processId(), std::string(kSubroleSecureTextField));
    ASSERT_TRUE(password);
    EXPECT_EQ(services.accessibility.nativeRole(*password), ATSPI_ROLE_PASSWORD_TEXT);
    keyboard.tap("Tab");
    auto town = waitForFocus(services, zenity.processId(), std::nullopt);
    ASSERT_TRUE(town);
    EXPECT_NE(dynamic_cast<AtspiElement&>(*town).object(),
              dynamic_cast<AtspiElement&>(*name).object());
}

// An application loses the focus to one without accessibility (xterm): the
// first still reports its field, the other reports none.
TEST(AtspiAccessibility, InactiveApplicationKeepsItsFieldAndOneWithoutAccessibilityHasNone) {
    test::X11Services services;
    DesktopApp zenity("zenity", {"--entry", "--entry-text=kept"});
    auto element = waitForFocus(services, zenity.processId(), std::nullopt);
    ASSERT_TRUE(element);
    test::processEventsFor(0.2); // let the focus events arrive

    DesktopApp xterm("xterm", {});
    ASSERT_TRUE(processEventsUntil(
        [&] { return services.workspace.frontmostProcessId() == xterm.processId(); },
        test::kAppStartSeconds));
    auto remembered = services.accessibility.focusedElement(zenity.processId());
    ASSERT_TRUE(remembered);
    EXPECT_EQ(dynamic_cast<AtspiElement&>(*remembered).object(),
              dynamic_cast<AtspiElement&>(*element).object());
    EXPECT_EQ(services.accessibility.focusedElement(xterm.processId()), nullptr);
    EXPECT_EQ(services.accessibility.focusedElement(999999), nullptr);
}

} // namespace
} // namespace orvendi

namespace orvendi {
namespace {

// libatspi aborts a process that uses it without an accessibility bus; the
// agent must keep running (without accessibility) instead.
void useAccessibilityWithoutABus() {
    // Where libatspi looks for the bus: the environment, the X root window
    // (it finds the display through $DISPLAY) and the session bus.
    unsetenv("AT_SPI_BUS_ADDRESS");
    unsetenv("DISPLAY");
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        AtspiAccessibility accessibility;
        if (accessibility.isProcessTrusted() || accessibility.focusedElement(getpid())) {
            std::exit(1);
        }
    }
    std::exit(0);
}

TEST(AtspiAccessibilityDeathTest, WithoutAnAccessibilityBusNothingIsTrustedAndNothingAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process: libatspi is process-wide
    EXPECT_EXIT(useAccessibilityWithoutABus(), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace orvendi
