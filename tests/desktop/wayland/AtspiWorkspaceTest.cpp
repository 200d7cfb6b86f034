#include <gtest/gtest.h>

#include "desktop/x11/DesktopApps.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/wayland/AtspiWorkspace.h"
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
// (foot), rather than the last one it saw.
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
    const auto terminal = native(QStringLiteral("foot"));
    EXPECT_TRUE(inFront(std::nullopt));
    EXPECT_FALSE(workspace.activateProcess(second->processId() + 100000));
}

} // namespace
} // namespace orvendi::test
