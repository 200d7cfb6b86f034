#include "support/harness/SecretServiceSession.h"
#include "support/harness/ToolFixture.h"

namespace orvendi::test {
namespace {

// Signing in by e-mail code, with an unlocked gnome-keyring on a private
// session bus keeping the session between runs, as the desktop's keyring would.
class OrvendictlSignIn : public ToolFixture {
protected:
    void SetUp() override {
        ToolFixture::SetUp();
        writeConfig(false); // no password grant: only the code gives a session
    }
    SecretServiceSession keyring{SecretServiceSession::Keyring::Unlocked};
};

TEST_F(OrvendictlSignIn, AsksForWhatOptionsDoNotGiveAndACodeSignsInForLaterCommands) {
    // The address as typed, then a code line that is wrong: the conversation
    // runs to the verification, which the service refuses.
    const auto run = tool({"signin"}, " ada@example.com \nnot-the-code\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Email address: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Sign-in code sent to ada@example.com.\n"), std::string::npos);
    EXPECT_NE(run.err.find("Code: "), std::string::npos);

    const auto empty = tool({"signin"}, "   \n");
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("Enter your email address.\n"), std::string::npos);

    const auto before = tool({"transcribe", spokenFile("numbers.wav").string()});
    EXPECT_EQ(before.status, 1);
    EXPECT_NE(before.err.find("Sign-in failed"), std::string::npos) << before.err;

    // Standard input is not a terminal: the code is only requested.
    const auto request = tool({"signin", "--email", "  Ada@Example.com\t"});
    ASSERT_EQ(request.status, 0) << request.err;
    EXPECT_EQ(request.out, "");
    EXPECT_EQ(request.err, "Sign-in code sent to Ada@Example.com.\n");

    const auto wrong = tool({"signin", "--email", kEmail, "--code", "000000x"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err, "");

    const auto verify = tool({"signin", "--email", kEmail, "--code", outboxCode(kEmail)});
    ASSERT_EQ(verify.status, 0) << verify.err;
    EXPECT_EQ(verify.err, std::string("Signed in as ") + kEmail + ".\n");

    const auto status = nlohmann::json::parse(tool({"status", "--json"}).out);
    EXPECT_EQ(status["session_stored"], true);
    EXPECT_GT(status["access_token_expires_at"].get<double>(), double(std::time(nullptr)));

    const auto after = tool({"transcribe", spokenFile("numbers.wav").string()});
    EXPECT_EQ(after.status, 0) << after.err;

    const auto signOut = tool({"signout"});
    EXPECT_EQ(signOut.status, 0) << signOut.err;
    EXPECT_EQ(signOut.err, "Signed out.\n");
    EXPECT_EQ(nlohmann::json::parse(tool({"status", "--json"}).out)["session_stored"], false);
}

// A keyring that would need its password typed into a prompt nobody answers.
class OrvendictlLockedKeyring : public ToolFixture {
protected:
    SecretServiceSession keyring{SecretServiceSession::Keyring::Locked};
};

TEST_F(OrvendictlLockedKeyring, SignInFinishesAndSaysTheSessionWasNotKept) {
    writeConfig(false);
    ASSERT_EQ(tool({"signin", "--email", kEmail}).status, 0);
    const auto run = tool({"signin", "--email", kEmail, "--code", outboxCode(kEmail)});
    EXPECT_NE(run.status, -1) << "it must not wait for the keyring's prompt";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, std::string("Signed in as ") + kEmail +
                           ".\nThe system keyring did not keep the session, so the next command "
                           "will have to sign in again.\n");

    const auto status = tool({"status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out.find("Session: stored"), std::string::npos) << status.out;
}

} // namespace
} // namespace orvendi::test
