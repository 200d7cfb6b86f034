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
    // The window waits for the user in address or code entry, saying `message`.
    void expectWaiting(bool inCodeEntry, const std::string& message, TextColor color) {
        EXPECT_EQ(view().message, message);
        EXPECT_EQ(view().messageColor, color);
        EXPECT_TRUE(view().primaryEnabled);
        EXPECT_EQ(view().primaryTitle,
                  inCodeEntry ? "Verify and continue" : "Email me a sign-in code");
        EXPECT_EQ(view().codeVisible, inCodeEntry);
        EXPECT_EQ(controller->codeSent(), inCodeEntry);
    }

    FakePlatform fake;
    std::shared_ptr<FakeBackend> api;
    std::shared_ptr<SignInController> controller;
    int signedIn = 0;
    bool closedBeforeSignedIn = false;
};

TEST_F(SignInControllerTest, StartsInAddressEntry) {
    expectWaiting(false, "Sign in to keep your words and projects available across devices.",
                  TextColor::Secondary);
}

TEST_F(SignInControllerTest, BlankAddressAsksForOneAndSendsNothing) {
    for (const char* blank : {"", "   ", " \t\n ", "\u00A0\u2003"}) {
        submit(blank);
        fake.scheduler.runPending();
        expectWaiting(false, "Enter your email address.", TextColor::Red);
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
    expectWaiting(true, "We sent a one-time code to ada@example.com.", TextColor::Secondary);
    EXPECT_FALSE(view().emailEnabled);
    EXPECT_TRUE(view().codeFocused);
}

TEST_F(SignInControllerTest, FailedRequestStaysInAddressEntry) {
    api->requestError = "Couldn\u2019t send sign-in code";
    submit("ada@example.com");
    fake.scheduler.runPending();
    expectWaiting(false, "Couldn\u2019t send sign-in code", TextColor::Red);

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
    expectWaiting(true, "Invalid or expired code", TextColor::Red);
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
