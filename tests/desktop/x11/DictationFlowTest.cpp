#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DesktopApps.h"
#include "X11Services.h"
#include "input/FnKeyMonitor.h"
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

TEST_F(DictationFlow, DictationKeyPressesReachTheGestureMonitorWhileAnotherApplicationHasFocus) {
    DesktopApp zenity("zenity", {"--entry", "--text=Typing here"});
    ASSERT_TRUE(waitForFrontmost(zenity));

    FnKeyMonitor monitor(services.keyEvents, scheduler);
    std::vector<std::string> calls;
    monitor.onFnDown = [&] { calls.push_back("fn down"); };
    monitor.onFnUp = [&] { calls.push_back("fn up"); };
    monitor.onContextDown = [&] { calls.push_back("context down"); };
    monitor.onContextUp = [&] { calls.push_back("context up"); };
    ASSERT_TRUE(monitor.start());

    TestKeyboard keyboard;
    keyboard.press("Control_R");
    keyboard.release("Control_R");
    keyboard.press("Control_L");
    keyboard.press("Control_R");
    keyboard.release("Control_R");
    keyboard.release("Control_L");
    ASSERT_TRUE(processEventsUntil([&] { return calls.size() >= 4; }, 5));
    test::processEventsFor(0.1);
    EXPECT_EQ(calls, (std::vector<std::string>{"fn down", "fn up", "context down", "context up"}));
    EXPECT_EQ(services.workspace.frontmostProcessId(), zenity.processId())
        << "the monitor only listens";
}

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

TEST_F(DictationFlow, PasteReturnsToTheCapturedFieldAndReplacesItsSelection) {
    struct Case {
        TextRange selection;
        std::string dictated;
        std::string printed;
    };
    const Case cases[] = {
        {{6, 0}, "big ", "hello big world\n"},  // at the caret
        {{0, 5}, "goodbye", "goodbye world\n"}, // over a selection
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dictated);
        DesktopApp entry("zenity", {"--entry", "--entry-text=hello world"});
        auto field = waitForTextField(entry);
        ASSERT_TRUE(field);
        ASSERT_TRUE(services.accessibility.setSelectedRange(*field, c.selection));
        const auto target = InsertionTarget::capture(insertion());
        ASSERT_TRUE(target);
        ASSERT_EQ(target->processIdentifier, entry.processId());

        // The user moves on while the transcript is on its way.
        DesktopApp elsewhere("xterm", {});
        ASSERT_TRUE(waitForFrontmost(elsewhere));
        ASSERT_TRUE(services.accessibility.setSelectedRange(*field, {0, 0}));

        target->paste(c.dictated, insertion());
        EXPECT_TRUE(processEventsUntil([&] { return test::textOf(*field) + "\n" == c.printed; }, 5))
            << "the entry reads \"" << test::textOf(*field) << "\"";
        EXPECT_EQ(services.workspace.frontmostProcessId(), entry.processId());
        TestKeyboard().tap("Return");
        EXPECT_EQ(entry.waitForOutput(), c.printed);
    }
}

} // namespace
} // namespace orvendi
