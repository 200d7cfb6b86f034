#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/DeliveryChain.h"
#include "input/EvidenceWait.h"
#include "input/InsertionTarget.h"
#include "support/fakes/FakePlatform.h"

namespace orvendi::test {
namespace {

constexpr int32_t kEditor = 4242;
constexpr int32_t kOtherApplication = 7;

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
    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);
    EXPECT_EQ(target->processIdentifier, kEditor);
    EXPECT_FALSE(target->focusedElement);
    EXPECT_FALSE(target->selectedRange);
    EXPECT_FALSE(target->isSecure);
}

// One transcript on its way into "Hello world" with "world" selected, while
// the user is in another application.
struct ChainCase {
    const char* name;
    bool editable;
    bool ignoresInsertion;
    bool stillRunning;
    // When the re-activated application is in front again; never if absent.
    std::optional<double> inFrontAfter;
    DeliveryOutcome outcome;
    double outcomeAfter;
    std::string fieldText;
    std::vector<std::string> writes;
    bool canPaste = true;
};

class DeliveryChainTest : public InsertionTargetTest,
                          public ::testing::WithParamInterface<ChainCase> {};

TEST_P(DeliveryChainTest, TakesTheFirstRouteThatWorksAndNeverPastesElsewhere) {
    const ChainCase& c = GetParam();
    fake.workspace.frontmost = kEditor;
    fake.workspace.running = {kEditor};
    auto element = fake.accessibility.focus(kEditor);
    element->role = kRoleTextField;
    element->text = "Hello world";
    element->selectedRange = TextRange{6, 5};
    element->editable = c.editable;
    element->ignoresInsertion = c.ignoresInsertion;
    auto target = InsertionTarget::capture(services());
    ASSERT_TRUE(target);

    fake.workspace.frontmost = kOtherApplication;
    fake.workspace.activationTakesEffect = false;
    fake.keyEvents.canPaste = c.canPaste;
    if (!c.stillRunning) {
        fake.workspace.running.clear();
    }
    if (c.inFrontAfter) {
        fake.scheduler.mainAfter(*c.inFrontAfter, [&] { fake.workspace.frontmost = kEditor; });
    }
    const double start = fake.scheduler.now();
    std::optional<DeliveryOutcome> outcome;
    double outcomeAt = 0;
    target->paste("there", services(), [&](DeliveryOutcome delivered) {
        outcome = delivered;
        outcomeAt = fake.scheduler.now() - start;
    });
    fake.scheduler.advance(1);

    EXPECT_EQ(outcome, c.outcome) << (outcome ? describe(*outcome) : "no outcome");
    EXPECT_NEAR(outcomeAt, c.outcomeAfter, EvidenceWait::kStepSeconds + 1e-3);
    const bool pasted = c.outcome == DeliveryOutcome(DeliveryRoute::PasteKeystroke);
    EXPECT_EQ(fake.keyEvents.pasteKeystrokes, pasted || !c.canPaste ? 1 : 0);
    EXPECT_EQ(fake.pasteboard.string(), "there") << "the clipboard always ends up with the text";
    EXPECT_EQ(element->text, c.fieldText);
    EXPECT_EQ(element->writes, c.writes);
}

const auto kBound = DeliveryChain::kActivationBound;

// clang-format off
const ChainCase kChains[] = {
    {"EditableFieldGetsTheTextWithoutKeystrokeOrActivation", true, false, true, std::nullopt,
     DeliveryRoute::TextInsertion, 0, "Hello there", {"replace 6+5 there", "range 11+0"}},
    {"InsertionThatDoesNotReadBackFallsBackToTheKeystroke", true, true, true, 0.03,
     DeliveryRoute::PasteKeystroke, 0.03, "Hello world",
     {"replace 6+5 there", "focus", "range 6+5"}},
    {"KeystrokeGoesAsSoonAsTheTargetIsBackInFront", false, false, true, 0.05,
     DeliveryRoute::PasteKeystroke, 0.05, "Hello world", {"focus", "range 6+5"}},
    {"TargetNotBackWithinTheBoundKeepsTheClipboardOnly", false, false, true, kBound + 0.05,
     DeliveryFailure::TargetNotBack, kBound, "Hello world", {}},
    {"TargetThatQuitKeepsTheClipboardOnly", false, false, false, std::nullopt,
     DeliveryFailure::TargetNotBack, 0, "Hello world", {}},
    {"NoKeystrokeForTheTargetKeepsTheClipboardOnly", false, false, true, 0.05,
     DeliveryFailure::NoKeystroke, 0.05, "Hello world", {"focus", "range 6+5"}, false},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Routes, DeliveryChainTest, ::testing::ValuesIn(kChains),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace orvendi::test
