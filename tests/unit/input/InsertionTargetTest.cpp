#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/InsertionTarget.h"
#include "input/Paster.h"
#include "support/fakes/FakePlatform.h"

namespace orvendi::test {
namespace {

constexpr int32_t kEditor = 4242;
// Virtual time is a double near 1.7e9 s: check just before and just after a
// due time instead of landing on it exactly.
constexpr double kSlack = 0.001;

class InsertionTargetTest : public ::testing::Test {
protected:
    InsertionServices services() {
        return {fake.scheduler, fake.workspace, fake.accessibility, fake.pasteboard,
                fake.keyEvents};
    }

    FakePlatform fake;
};

struct SecureCase {
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    bool secure;
};

class SecureFieldRule : public InsertionTargetTest,
                        public ::testing::WithParamInterface<SecureCase> {};

TEST_P(SecureFieldRule, DecidesFromRoleAndSubrole) {
    fake.workspace.frontmost = kEditor;
    auto element = fake.accessibility.focus(kEditor);
    element->role = GetParam().role;
    element->subrole = GetParam().subrole;

    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->isSecure, GetParam().secure);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecureFieldRule,
                         ::testing::Values(SecureCase{"AXTextField", "AXSecureTextField", true},
                                           SecureCase{"AXTextField", "SECURE", true},
                                           SecureCase{"AXTextField", "AXSearchField", false},
                                           SecureCase{"AXTextField", std::nullopt, false},
                                           SecureCase{"AXTextArea", "AXSecureTextField", false},
                                           SecureCase{std::nullopt, "AXSecureTextField", false}));

TEST_F(InsertionTargetTest, NoFrontmostApplicationGivesNoTarget) {
    fake.workspace.frontmost.reset();
    EXPECT_FALSE(InsertionTarget::capture(services()));
}

TEST_F(InsertionTargetTest, UnreadableElementStillTargetsTheApplication) {
    fake.workspace.frontmost = kEditor;
    fake.workspace.running = {kEditor};

    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->processIdentifier, kEditor);
    EXPECT_FALSE(target->focusedElement);
    EXPECT_FALSE(target->selectedRange);
    EXPECT_FALSE(target->isSecure);

    fake.workspace.frontmost = 7; // the user moved on
    target->paste("hello", services());
    EXPECT_EQ(fake.workspace.activated, std::vector<int32_t>{kEditor});
    fake.scheduler.advance(0.32 - kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);
    fake.scheduler.advance(2 * kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 1);
    EXPECT_EQ(fake.pasteboard.string(), "hello");
}

struct RestoreCase {
    TextRange range;
    std::string write;
};

class SelectionRestore : public InsertionTargetTest,
                         public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(SelectionRestore, FocusAndSelectionComeBackBeforeThePaste) {
    fake.workspace.frontmost = kEditor;
    fake.workspace.running = {kEditor};
    auto element = fake.accessibility.focus(kEditor);
    element->role = "AXTextArea";
    element->selectedRange = GetParam().range;
    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);
    element->selectedRange = TextRange{0, 0}; // the user clicked elsewhere meanwhile

    target->paste("dictated words", services());
    fake.scheduler.advance(0.2 - kSlack);
    EXPECT_TRUE(element->writes.empty());
    EXPECT_FALSE(fake.pasteboard.string());

    fake.scheduler.advance(2 * kSlack);
    EXPECT_EQ(element->writes, (std::vector<std::string>{"focus", GetParam().write}));
    EXPECT_EQ(fake.pasteboard.string(), "dictated words");
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);

    fake.scheduler.advance(0.12 - 2 * kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);
    fake.scheduler.advance(2 * kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 1);
}

INSTANTIATE_TEST_SUITE_P(Ranges, SelectionRestore,
                         ::testing::Values(RestoreCase{{12, 5}, "range 12+5"},
                                           RestoreCase{{7, 0}, "range 7+0"}));

TEST_F(InsertionTargetTest, ApplicationThatQuitIsNotActivatedButTheTextIsStillPasted) {
    fake.workspace.frontmost = kEditor;
    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);
    fake.workspace.running.clear();
    fake.workspace.frontmost = 99;

    target->paste("late text", services());
    fake.scheduler.advance(1);
    EXPECT_TRUE(fake.workspace.activated.empty());
    EXPECT_EQ(fake.pasteboard.string(), "late text");
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 1);
}

TEST_F(InsertionTargetTest, PasterReplacesTheClipboardAndPostsTheKeystrokeLater) {
    fake.pasteboard.setString("older clipboard");

    Paster::paste("new text", fake.pasteboard, fake.keyEvents, fake.scheduler);
    EXPECT_EQ(fake.pasteboard.clearCount, 1);
    EXPECT_EQ(fake.pasteboard.string(), "new text");
    fake.scheduler.advance(0.12 - kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 0);
    fake.scheduler.advance(2 * kSlack);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, 1);
    EXPECT_EQ(fake.pasteboard.string(), "new text");
}

} // namespace
} // namespace orvendi::test
