#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/desktop/QtSignInView.h"

namespace orvendi::test {
namespace {

// The texts the agent gives the window.
SignInTexts agentTexts() {
    return {.windowTitle = "Sign in to Orvendi",
            .brand = "\u25A5  Orvendi",
            .headline = "Your voice, ready everywhere.",
            .emailPlaceholder = "name@example.com",
            .codePlaceholder = "6-digit code",
            .footnote =
                "The session is stored in your system keyring. Your password is never stored "
                "by Orvendi."};
}

void key(const QString& keys) {
    runProcess("xdotool", {"key", "--clearmodifiers", keys});
}
void type(const QString& text) {
    runProcess("xdotool", {"type", "--delay", "20", text});
}

class SignInViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setTexts(agentTexts());
        view.setMessage("Sign in to keep your words and projects available across devices.",
                        TextColor::Secondary);
        view.setPrimaryTitle("Email me a sign-in code");
        view.setSubmitHandler([this] { ++submits; });
        view.show();
        ASSERT_TRUE(processEventsUntil([&] { return view.isActiveWindow(); }));
    }

    QRect frameOnScreen() const { return view.frameGeometry(); }

    QtSignInView view;
    int submits = 0;
};

TEST_F(SignInViewTest, OpensCentredAt480By430WithTheAgentsTexts) {
    EXPECT_EQ(view.size(), QSize(480, 430));
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Sign in to Orvendi"));
    // The window with its frame sits in the middle of the screen.
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    ASSERT_TRUE(processEventsUntil(
        [&] {
            const QPoint centre = view.frameGeometry().center();
            return view.frameGeometry() != view.geometry() &&
                   std::abs(centre.x() - screenCentre.x()) <= 1 &&
                   std::abs(centre.y() - screenCentre.y()) <= 1;
        },
        3))
        << "frame " << view.frameGeometry().x() << "," << view.frameGeometry().y();
    EXPECT_FALSE(view.codeField().isVisible());
    EXPECT_EQ(view.emailField().placeholderText(), QStringLiteral("name@example.com"));
    // Fixed size: the window manager offers no resizing.
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    saveScreenshot("sign-in-address", frameOnScreen());
}

TEST_F(SignInViewTest, ReturnPressesTheButtonOnlyWhileItIsEnabled) {
    view.emailField().setFocus();
    type(" ada@example.com ");
    key("Return");
    ASSERT_TRUE(processEventsUntil([&] { return submits == 1; }, 5));
    EXPECT_EQ(view.emailText(), " ada@example.com ");

    // While a request runs the button is disabled: Return sends nothing.
    view.setPrimaryEnabled(false);
    view.setPrimaryTitle("Sending\u2026");
    key("Return");
    key("KP_Enter");
    processEventsFor(0.4);
    EXPECT_EQ(submits, 1);

    view.setPrimaryEnabled(true);
    view.primaryButton().click();
    EXPECT_EQ(submits, 2);
}

TEST_F(SignInViewTest, CodePhaseFreezesTheAddressAndTypesIntoTheFocusedCodeField) {
    view.emailField().setText("ada@example.com");
    view.setEmailEnabled(false);
    view.setCodeVisible(true);
    view.focusCode();
    view.setPrimaryTitle("Verify and continue");
    view.setMessage("We sent a one-time code to ada@example.com.", TextColor::Secondary);
    ASSERT_TRUE(processEventsUntil([&] { return view.codeField().hasFocus(); }));
    type(" 123456");
    key("KP_Enter");
    ASSERT_TRUE(processEventsUntil([&] { return submits == 1; }, 5));
    EXPECT_EQ(view.codeText(), " 123456");
    EXPECT_FALSE(view.emailField().isEnabled());
    EXPECT_EQ(view.primaryButton().text(), QStringLiteral("Verify and continue"));
    saveScreenshot("sign-in-code", frameOnScreen());

    view.setMessage("Invalid or expired code", TextColor::Red);
    processEventsFor(0.1);
    const QColor red = view.messageLabel().palette().color(QPalette::WindowText);
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.green(), 100);
    saveScreenshot("sign-in-error", frameOnScreen());
}

TEST_F(SignInViewTest, ClosingHidesTheWindowAndShowingAgainKeepsItsPlace) {
    const QPoint placed = view.pos();
    view.close();
    ASSERT_TRUE(processEventsUntil([&] { return !view.isVisible(); }));
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.isVisible(); }));
    EXPECT_EQ(view.pos(), placed);
}

} // namespace
} // namespace orvendi::test
