#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "service/APIClient.h"
#include "support/fakes/FakeBackend.h"
#include "support/fakes/FakePlatform.h"
#include "ui/SignInController.h"

namespace orvendi::test {
namespace {

class SignInControllerTest : public ::testing::Test {
protected:
    SignInControllerTest()
        : api(std::make_shared<FakeBackend>()),
          controller(SignInController::create(api, fake.windows, fake.scheduler, [this] {
              closedBeforeSignedIn = view().closed;
              ++signedIn;
          })) {}

    FakeSignInView& view() { return *fake.windows.signIn; }
    void submit(const std::string& email) {
        view().email = email;
        view().submit();
    }
    // Brings the window to code entry for "ada@example.com".
    void reachCodeEntry() {
        submit("ada@example.com");
        fake.scheduler.runPending();
        ASSERT_TRUE(controller->codeSent());
    }

    FakePlatform fake;
    std::shared_ptr<FakeBackend> api;
    std::shared_ptr<SignInController> controller;
    int signedIn = 0;
    bool closedBeforeSignedIn = false;
};

TEST_F(SignInControllerTest, StartsInAddressEntry) {
    EXPECT_EQ(view().texts.windowTitle, "Sign in to Orvendi");
    EXPECT_EQ(view().texts.brand, "\u25A5  Orvendi");
    EXPECT_EQ(view().texts.headline, "Your voice, ready everywhere.");
    EXPECT_EQ(view().texts.codePlaceholder, "6-digit code");
    EXPECT_NE(view().texts.emailPlaceholder.find("@example."), std::string::npos);
    EXPECT_EQ(view().texts.footnote, "The session is stored in your system keyring. Your password "
                                     "is never stored by Orvendi.");
    EXPECT_EQ(view().message, "Sign in to keep your words and projects available across devices.");
    EXPECT_EQ(view().messageColor, TextColor::Secondary);
    EXPECT_FALSE(view().codeVisible);
    EXPECT_EQ(view().primaryTitle, "Email me a sign-in code");
    EXPECT_TRUE(view().primaryEnabled);
    EXPECT_FALSE(controller->codeSent());
}

TEST_F(SignInControllerTest, BlankAddressAsksForOneAndSendsNothing) {
    for (const char* blank : {"", "   ", " \t\n ", "\u00A0\u2003"}) {
        submit(blank);
        fake.scheduler.runPending();
        EXPECT_EQ(view().message, "Enter your email address.");
        EXPECT_EQ(view().messageColor, TextColor::Red);
        EXPECT_TRUE(view().primaryEnabled);
        EXPECT_EQ(view().primaryTitle, "Email me a sign-in code");
    }
    EXPECT_TRUE(api->requested.empty());
}

TEST_F(SignInControllerTest, SendsTheTrimmedAddressAndMovesToCodeEntry) {
    submit("  ada@example.com\n");
    EXPECT_FALSE(view().primaryEnabled);
    EXPECT_EQ(view().primaryTitle, "Sending\u2026");
    EXPECT_TRUE(api->requested.empty()); // the request runs in the background

    fake.scheduler.runPending();
    EXPECT_EQ(api->requested, std::vector<std::string>{"ada@example.com"});
    EXPECT_TRUE(controller->codeSent());
    EXPECT_FALSE(view().emailEnabled);
    EXPECT_TRUE(view().codeVisible);
    EXPECT_TRUE(view().codeFocused);
    EXPECT_TRUE(view().primaryEnabled);
    EXPECT_EQ(view().primaryTitle, "Verify and continue");
    EXPECT_EQ(view().message, "We sent a one-time code to ada@example.com.");
    EXPECT_EQ(view().messageColor, TextColor::Secondary);
}

TEST_F(SignInControllerTest, FailedRequestStaysInAddressEntry) {
    api->requestError = "Couldn\u2019t send sign-in code";
    submit("ada@example.com");
    fake.scheduler.runPending();
    EXPECT_FALSE(controller->codeSent());
    EXPECT_EQ(view().message, "Couldn\u2019t send sign-in code");
    EXPECT_EQ(view().messageColor, TextColor::Red);
    EXPECT_TRUE(view().primaryEnabled);
    EXPECT_EQ(view().primaryTitle, "Email me a sign-in code");
    EXPECT_FALSE(view().codeVisible);

    api->requestError.reset();
    view().submit();
    fake.scheduler.runPending();
    EXPECT_TRUE(controller->codeSent());
}

TEST_F(SignInControllerTest, WrongCodeKeepsCodeEntryAndTheCodeIsSentAsTyped) {
    reachCodeEntry();
    api->verifyError = "Invalid or expired code";
    view().code = " 123456 ";
    view().email = "changed@example.com"; // disabled field; the phase keeps the first address
    view().submit();
    EXPECT_FALSE(view().primaryEnabled);
    EXPECT_EQ(view().primaryTitle, "Verifying\u2026");

    fake.scheduler.runPending();
    ASSERT_EQ(api->verified.size(), 1u);
    EXPECT_EQ(api->verified[0].second, " 123456 ");
    EXPECT_EQ(view().message, "Invalid or expired code");
    EXPECT_EQ(view().messageColor, TextColor::Red);
    EXPECT_TRUE(view().codeVisible);
    EXPECT_TRUE(view().primaryEnabled);
    EXPECT_EQ(view().primaryTitle, "Verify and continue");
    EXPECT_TRUE(controller->codeSent());
    EXPECT_EQ(signedIn, 0);
    EXPECT_FALSE(view().closed);
}

TEST_F(SignInControllerTest, SuccessClosesTheWindowBeforeReportingSignedIn) {
    reachCodeEntry();
    view().code = "654321";
    view().submit();
    fake.scheduler.runPending();
    EXPECT_EQ(api->verified,
              (std::vector<std::pair<std::string, std::string>>{{"ada@example.com", "654321"}}));
    EXPECT_EQ(signedIn, 1);
    EXPECT_TRUE(closedBeforeSignedIn);
}

TEST_F(SignInControllerTest, ControllerGoneBeforeTheRequestStartsSendsNothing) {
    submit("ada@example.com");
    controller.reset();
    fake.scheduler.runPending();
    EXPECT_TRUE(api->requested.empty());
}

TEST_F(SignInControllerTest, RunningRequestKeepsTheControllerUntilItsStepHasRun) {
    std::weak_ptr<SignInController> watch = controller;
    bool heldDuringRequest = false;
    api->onCall = [&](const std::string&) {
        controller.reset(); // the owner lets go while the request runs
        heldDuringRequest = !watch.expired();
    };
    submit("ada@example.com");
    fake.scheduler.runPending();
    EXPECT_EQ(api->requested.size(), 1u);
    EXPECT_TRUE(heldDuringRequest);
    EXPECT_TRUE(watch.expired()); // released once the code-sent step has run
}

} // namespace
} // namespace orvendi::test
