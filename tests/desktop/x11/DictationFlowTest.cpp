#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DesktopApps.h"
#include "X11Services.h"
#include "input/InsertionTarget.h"
#include "platform/linux/desktop/QtScheduler.h"

namespace orvendi {
namespace {

using test::DesktopApp;
using test::processEventsUntil;
using test::TestKeyboard;

// The core's key monitor, capture and paste on the real X11 services.
class DictationFlow : public ::testing::Test {
protected:
    InsertionServices insertion() {
        return {scheduler, services.workspace, services.accessibility, services.pasteboard,
                services.keyEvents};
    }
    bool waitForFrontmost(const DesktopApp& app) {
        return processEventsUntil(
            [&] { return services.workspace.frontmostProcessId() == app.processId(); },
            test::kAppStartSeconds);
    }
    // The application's focused text field, once it has one.
    std::shared_ptr<AccessibleElement> waitForTextField(const DesktopApp& app) {
        std::shared_ptr<AccessibleElement> element;
        processEventsUntil(
            [&] {
                element = services.accessibility.focusedElement(app.processId());
                return element && services.accessibility.role(*element) == kRoleTextField;
            },
            test::kAppStartSeconds);
        return element;
    }

    QtScheduler scheduler;
    test::X11Services services;
};

TEST_F(DictationFlow, CaptureReportsTheProcessTheFieldKindAndTheCaret) {
    DesktopApp entry("zenity", {"--entry", "--entry-text=hello world"});
    auto field = waitForTextField(entry);
    ASSERT_TRUE(field);
    ASSERT_TRUE(services.accessibility.setSelectedRange(*field, {6, 0}));

    const auto target = InsertionTarget::capture(insertion());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->processIdentifier, entry.processId());
    EXPECT_FALSE(target->isSecure);
    EXPECT_TRUE(target->focusedElement);
    EXPECT_EQ(target->selectedRange, (TextRange{6, 0}));

    DesktopApp password("zenity", {"--password"});
    ASSERT_TRUE(waitForFrontmost(password));
    ASSERT_TRUE(waitForTextField(password));
    const auto secure = InsertionTarget::capture(insertion());
    ASSERT_TRUE(secure);
    EXPECT_EQ(secure->processIdentifier, password.processId());
    EXPECT_TRUE(secure->isSecure);
}

// Over a selection; a caret is a selection of length 0 to the same calls.
TEST_F(DictationFlow, PasteReturnsToTheCapturedFieldAndReplacesItsSelection) {
    DesktopApp entry("zenity", {"--entry", "--entry-text=hello world"});
    auto field = waitForTextField(entry);
    ASSERT_TRUE(field);
    ASSERT_TRUE(services.accessibility.setSelectedRange(*field, {0, 5}));
    const auto target = InsertionTarget::capture(insertion());
    ASSERT_TRUE(target);
    ASSERT_EQ(target->processIdentifier, entry.processId());

    // The user moves on while the transcript is on its way.
    DesktopApp elsewhere("xterm", {});
    ASSERT_TRUE(waitForFrontmost(elsewhere));
    ASSERT_TRUE(services.accessibility.setSelectedRange(*field, {0, 0}));

    target->paste("goodbye", insertion());
    EXPECT_TRUE(processEventsUntil([&] { return test::textOf(*field) == "goodbye world"; }, 5))
        << "the entry reads \"" << test::textOf(*field) << "\"";
    EXPECT_EQ(services.workspace.frontmostProcessId(), entry.processId());
    TestKeyboard().tap("Return");
    EXPECT_EQ(entry.waitForOutput(), "goodbye world\n");
}

} // namespace
} // namespace orvendi
