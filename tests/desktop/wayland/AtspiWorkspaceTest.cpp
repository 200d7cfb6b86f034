#include <gtest/gtest.h>

#include "desktop/x11/DesktopApps.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/wayland/AtspiWorkspace.h"
#include "platform/linux/wayland/PortalPasteKeystroke.h"
#include "platform/linux/wayland/VirtualKeyboard.h"
#include "platform/linux/wayland/WaylandPasteboard.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/FakeKeyEvents.h"
#include "support/fakes/FakeWorkspace.h"

namespace orvendi::test {
namespace {

std::unique_ptr<DesktopApp> native(const QString& program, const QStringList& arguments = {}) {
    return std::make_unique<DesktopApp>(
        QStringLiteral("env"),
        QStringList{QStringLiteral("GDK_BACKEND=wayland"), program} + arguments);
}

// Native windows, which the X11 desktop does not see: AT-SPI tells which GTK
// window has the focus, and none once it went to a window AT-SPI cannot see
// (foot), rather than the last one it saw. Where no portal lends a keyboard
// (wlroots compositors other than sway), the compositor's virtual keyboard
// pastes into the focused one.
TEST(AtspiWorkspaceTest, FollowsTheFocusAcrossNativeWindows) {
    AtspiAccessibility accessibility;
    FakeWorkspace xwayland;
    AtspiWorkspace workspace(accessibility, xwayland);
    const auto inFront = [&](std::optional<int32_t> processId) {
        return processEventsUntil([&] { return workspace.frontmostProcessId() == processId; },
                                  kAppStartSeconds);
    };
    const auto first = native(QStringLiteral("zenity"), {QStringLiteral("--entry")});
    ASSERT_TRUE(inFront(first->processId()));
    const auto second = native(QStringLiteral("zenity"), {QStringLiteral("--entry")});
    ASSERT_TRUE(inFront(second->processId()));

    CapturingLog log;
    auto clipboard = WaylandPasteboard::connect(log);
    ASSERT_NE(clipboard, nullptr);
    clipboard->setString("typed by nobody");
    FakeKeyEvents x11;
    PortalPasteKeystroke keystroke(VirtualKeyboard::connect(log), *clipboard, x11,
                                   [] { return PortalPasteKeystroke::Focus::Native; });
    ASSERT_TRUE(keystroke.post());
    const auto field = accessibility.focusedElement(second->processId());
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(processEventsUntil([&] { return accessibility.text(*field) == "typed by nobody"; },
                                   kAppStartSeconds));
    EXPECT_EQ(x11.pasteKeystrokes, 0);
    const auto terminal = native(QStringLiteral("foot"));
    EXPECT_TRUE(inFront(std::nullopt));
    EXPECT_FALSE(workspace.activateProcess(second->processId() + 100000));
}

} // namespace
} // namespace orvendi::test
