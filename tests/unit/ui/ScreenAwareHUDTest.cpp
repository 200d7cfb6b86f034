#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/fakes/FakePlatform.h"
#include "ui/ScreenAwareHUD.h"

namespace orvendi::test {
namespace {

constexpr const char* kKey = "Orvendi.RecordingHUDOrigin";
constexpr double kSlack = 0.001; // virtual time near 1.7e9 s is not exact to the microsecond

const Rect kPrimary{{0, 0}, {1920, 1050}};
const Rect kRightOfPrimary{{1920, 0}, {1280, 1000}};

class ScreenAwareHUDTest : public ::testing::Test {
protected:
    ScreenAwareHUD& hud() {
        if (!hud_) {
            hud_ = std::make_unique<ScreenAwareHUD>(fake.windows, fake.defaults, fake.scheduler);
        }
        return *hud_;
    }
    FakeHUDPanel& panel() {
        hud();
        return *fake.windows.hud;
    }

    FakePlatform fake;
    std::unique_ptr<ScreenAwareHUD> hud_;
};

TEST_F(ScreenAwareHUDTest, FirstShowGoesTopRightAndIsNotRemembered) {
    fake.windows.fakeScreens.frames = {Rect{{0, 40}, {1920, 1000}}, kRightOfPrimary};

    hud().show("Listening", "waveform");
    EXPECT_EQ(panel().origin(), (Point{1920 - 210 - 16, 1040 - 48 - 12}));
    EXPECT_TRUE(panel().isVisible());
    EXPECT_EQ(panel().text, "Listening");
    EXPECT_EQ(panel().symbol, "waveform");
    EXPECT_EQ(panel().symbolAccessibility, "Listening");
    EXPECT_EQ(panel().symbolTint, Tint::SystemTeal);
    EXPECT_FALSE(fake.defaults.string(kKey));
}

struct PlacementCase {
    const char* name;
    std::vector<Rect> frames;
    std::optional<Rect> mainFrame;
    std::optional<std::string> stored;
    Point expected;
    Size panelSize{210, 48};
};

class HUDPlacement : public ScreenAwareHUDTest,
                     public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(HUDPlacement, ResolvesTheOriginOntoAScreen) {
    const auto& placement = GetParam();
    fake.windows.fakeScreens.frames = placement.frames;
    fake.windows.fakeScreens.mainFrame = placement.mainFrame;
    if (placement.stored) {
        fake.defaults.setString(kKey, *placement.stored);
    }
    panel().size_ = placement.panelSize;

    hud().show("Recording hands-free", "record.circle");
    EXPECT_EQ(panel().origin(), placement.expected);
}

const Rect kSmall{{100, 50}, {800, 600}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Screens, HUDPlacement, ::testing::Values(
    PlacementCase{"StoredInsideStaysPut", {kPrimary}, kPrimary, "{300.5, 200.25}", {300.5, 200.25}},
    PlacementCase{"DisconnectedDisplayLandsOnFirstScreen", {kPrimary}, kPrimary, "{2500, 1100}", {1920 - 210, 1050 - 48}},
    PlacementCase{"BelowAndLeftOfEveryScreen", {kPrimary, kRightOfPrimary}, kPrimary, "{-400, -90}", {0, 0}},
    PlacementCase{"MostlyOnSecondaryGoesToSecondary", {kPrimary, kRightOfPrimary}, kPrimary, "{1900, 990}", {1920, 1000 - 48}},
    PlacementCase{"EqualOverlapGoesToTheEarlierScreen", {kPrimary, kRightOfPrimary}, kPrimary, "{1815, 300}", {1920 - 210, 300}},
    PlacementCase{"EqualOverlapEarlierScreenListedSecond", {kRightOfPrimary, kPrimary}, kPrimary, "{1815, 300}", {1920, 300}},
    PlacementCase{"PanelLargerThanFrameEndsFlushRightAndTop", {Rect{{10, 20}, {100, 30}}}, std::nullopt, "{50, 50}", {110 - 210, 50 - 48}},
    PlacementCase{"NoScreenListUsesMainScreen", {}, Rect{{0, 0}, {800, 600}}, "{5000, 5000}", {800 - 210, 600 - 48}},
    PlacementCase{"NoScreensAtAllKeepsTheOrigin", {}, std::nullopt, "{5000, -7}", {5000, -7}},
    PlacementCase{"EmptyVisibleFrameKeepsTheOrigin", {Rect{{0, 0}, {0, 900}}}, std::nullopt, "{5000, -7}", {5000, -7}},
    PlacementCase{"DefaultOnMainScreenWhenNoneListed", {}, Rect{{0, 0}, {800, 600}}, std::nullopt, {800 - 210 - 16, 600 - 48 - 12}},
    PlacementCase{"UnreadableStoredOriginCountsAsZero", {kSmall}, std::nullopt, "somewhere", {100, 50}},
    PlacementCase{"NonFiniteStoredOriginCountsAsZero", {kSmall}, std::nullopt, "{nan, 300}", {100, 50}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });
// clang-format on

TEST_F(ScreenAwareHUDTest, RemembersMovesOnlyWhileVisible) {
    panel().drag({40, 40});
    EXPECT_FALSE(fake.defaults.string(kKey)); // hidden: not remembered

    hud().show("Listening", "waveform");
    EXPECT_FALSE(fake.defaults.string(kKey)); // placed while still hidden

    panel().drag({400.5, 300.25});
    EXPECT_EQ(fake.defaults.string(kKey), "{400.5, 300.25}");

    // Showing again while visible places the panel again, which counts as a move.
    panel().drag({-300, 300});
    hud().show("Turning speech into text", "ellipsis");
    EXPECT_EQ(panel().origin(), (Point{0, 300}));
    EXPECT_EQ(fake.defaults.string(kKey), "{0, 300}");

    hud().hide(0);
    fake.scheduler.runPending();
    panel().drag({900, 900});
    EXPECT_EQ(fake.defaults.string(kKey), "{0, 300}");
}

TEST_F(ScreenAwareHUDTest, MessageHidesAfterItsOwnDelayOnly) {
    hud().show(HUDMessages::pastedAndRemembered);
    EXPECT_EQ(panel().text, "Pasted and remembered");
    EXPECT_EQ(panel().symbol, "checkmark.circle.fill");
    fake.scheduler.advance(1.3 - kSlack);
    EXPECT_TRUE(panel().isVisible());
    fake.scheduler.advance(2 * kSlack);
    EXPECT_FALSE(panel().isVisible());

    // An earlier message's pending hide does not hide a later one.
    hud().show(HUDMessages::microphonePermissionNeeded);
    fake.scheduler.advance(1);
    hud().show(HUDMessages::listening);
    fake.scheduler.advance(10);
    EXPECT_TRUE(panel().isVisible());
    EXPECT_EQ(panel().text, "Listening");
}

TEST_F(ScreenAwareHUDTest, PendingHideOutlivingTheHUDDoesNothing) {
    hud().show(HUDMessages::recordingSavedForRetry);
    hud_.reset();
    fake.scheduler.advance(5); // would touch a destroyed HUD
    SUCCEED();
}

} // namespace
} // namespace orvendi::test
