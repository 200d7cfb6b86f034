#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtSignInView.h"

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

    QtSignInView view;
    int submits = 0;
};

// One case, as each starts a desktop session of its own: the address phase,
// the code phase, then closing and showing again.
TEST_F(SignInViewTest, ReturnSubmitsWhileEnabledTheCodePhaseFreezesTheAddressClosingHides) {
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

    // Typing the code and confirming it is the agent sign-in test's; here what
    // that test cannot see: the frozen address and the colour of a refusal.
    view.setEmailEnabled(false);
    view.setCodeVisible(true);
    view.setMessage("Invalid or expired code", TextColor::Red);
    processEventsFor(0.1);
    EXPECT_FALSE(view.emailField().isEnabled());
    EXPECT_TRUE(view.codeField().isVisible());
    const QColor red = view.messageLabel().palette().color(QPalette::WindowText);
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.green(), 100);
    saveScreenshot("sign-in-error", view.frameGeometry());

    // Fixed size: the window manager offers no resizing. Closing only hides.
    EXPECT_EQ(view.minimumSize(), view.maximumSize());
    const QPoint placed = view.pos();
    view.close();
    ASSERT_TRUE(processEventsUntil([&] { return !view.isVisible(); }));
    view.show();
    ASSERT_TRUE(processEventsUntil([&] { return view.isVisible(); }));
    EXPECT_EQ(view.pos(), placed);
}

} // namespace
} // namespace orvendi::test
