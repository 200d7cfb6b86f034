#include "SignInCommand.h"
#include "base/Error.h"

#include "AddressText.h"
#include "Terminal.h"
#include "ToolServices.h"
#include "UsageError.h"
#include "service/APIClient.h"
#include "service/SessionStore.h"

namespace orvendi {
namespace {

constexpr const char* kEmailQuestion = "Email address: ";
constexpr const char* kCodeQuestion = "Code: ";
// The sign-in window's words for an empty address.
constexpr const char* kNoAddress = "Enter your email address.";

} // namespace

CommandSyntax SignInCommand::syntax() {
    return {"signin",
            {},
            {"--email", "--code"},
            0,
            0,
            "signin [--email ADDRESS] [--code CODE]",
            "Signs in with a one-time code sent by e-mail. Without options it asks for the\n"
            "address and the code. With --email alone it sends a code and asks for it when\n"
            "standard input is a terminal; with both it only verifies."};
}

ExitStatus SignInCommand::run(const ParsedCommand& command) {
    const auto email = command.value("--email");
    const auto code = command.value("--code");
    if (!email) {
        if (code) {
            throw UsageError("--code needs --email");
        }
        return askForEverything();
    }
    const std::string address = AddressText::trimmed(*email);
    if (address.empty()) {
        throw UsageError(std::string("--email: ") + kNoAddress);
    }
    try {
        if (code) {
            return verify(address, *code);
        }
        return requestThenMaybeVerify(address);
    } catch (const Error& error) {
        terminal_.message(error.what());
        return ExitStatus::Failure;
    }
}

ExitStatus SignInCommand::askForEverything() {
    const auto typed = terminal_.ask(kEmailQuestion);
    const std::string address = typed ? AddressText::trimmed(*typed) : std::string();
    if (address.empty()) {
        terminal_.message(kNoAddress);
        return ExitStatus::Failure;
    }
    try {
        requestCode(address);
        return askForCodeAndVerify(address);
    } catch (const Error& error) {
        terminal_.message(error.what());
        return ExitStatus::Failure;
    }
}

ExitStatus SignInCommand::requestThenMaybeVerify(const std::string& address) {
    requestCode(address);
    if (!terminal_.inputIsTerminal()) {
        return ExitStatus::Success;
    }
    return askForCodeAndVerify(address);
}

ExitStatus SignInCommand::askForCodeAndVerify(const std::string& address) {
    const auto code = terminal_.ask(kCodeQuestion);
    if (!code) {
        terminal_.message("No code entered.");
        return ExitStatus::Failure;
    }
    return verify(address, *code);
}

void SignInCommand::requestCode(const std::string& address) {
    services_.api().requestSignInCode(address);
    terminal_.message("Sign-in code sent to " + address + ".");
}

ExitStatus SignInCommand::verify(const std::string& address, const std::string& code) {
    services_.api().verifySignInCode(address, code);
    terminal_.message("Signed in as " + address + ".");
    if (!SessionStore::load(services_.keychain())) {
        terminal_.message("The system keyring did not keep the session, so the next command "
                          "will have to sign in again.");
    }
    return ExitStatus::Success;
}

} // namespace orvendi
