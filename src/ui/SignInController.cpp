#include "ui/SignInController.h"

#include <array>
#include <exception>
#include <string_view>

#include "platform/MainThreadCheck.h"
#include "platform/Scheduler.h"
#include "platform/Windows.h"
#include "service/Backend.h"

namespace orvendi {

namespace {

constexpr const char* kWelcome =
    "Sign in to keep your words and projects available across devices.";
constexpr const char* kEnterEmail = "Enter your email address.";
constexpr const char* kCodeSentPrefix = "We sent a one-time code to ";
constexpr const char* kRequestTitle = "Email me a sign-in code";
constexpr const char* kVerifyTitle = "Verify and continue";
constexpr const char* kSendingTitle = "Sending\u2026";
constexpr const char* kVerifyingTitle = "Verifying\u2026";

SignInTexts windowTexts() {
    return {
        .windowTitle = "Sign in to Orvendi",
        .brand = "\u25A5  Orvendi",
        .headline = "Your voice, ready everywhere.",
        .emailPlaceholder = "name@example.com",
        .codePlaceholder = "6-digit code",
        .footnote = "The session is stored in your system keyring. Your password is never "
                    "stored by Orvendi.",
    };
}

// White space and line breaks, Unicode's as well as ASCII's, in UTF-8.
constexpr std::array<std::string_view, 25> kBlanks{
    " ",      "\t",     "\n",     "\v",     "\f",     "\r",     "\u0085", "\u00A0", "\u1680",
    "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006", "\u2007", "\u2008",
    "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};

// The length of the blank `text` starts (or ends) with; 0 when there is none.
size_t blankLength(std::string_view text, bool atEnd) {
    for (std::string_view blank : kBlanks) {
        if (atEnd ? text.ends_with(blank) : text.starts_with(blank)) {
            return blank.size();
        }
    }
    return 0;
}

std::string trimmed(std::string_view text) {
    while (const size_t length = blankLength(text, false)) {
        text.remove_prefix(length);
    }
    while (const size_t length = blankLength(text, true)) {
        text.remove_suffix(length);
    }
    return std::string(text);
}

} // namespace

std::shared_ptr<SignInController> SignInController::create(std::shared_ptr<Backend> api,
                                                           Windows& windows, Scheduler& scheduler,
                                                           std::function<void()> onSignedIn) {
    std::shared_ptr<SignInController> controller(
        new SignInController(std::move(api), windows, scheduler, std::move(onSignedIn)));
    controller->buildContent();
    return controller;
}

SignInController::SignInController(std::shared_ptr<Backend> api, Windows& windows,
                                   Scheduler& scheduler, std::function<void()> onSignedIn)
    : api_(std::move(api)), scheduler_(scheduler), onSignedIn_(std::move(onSignedIn)),
      view_(windows.createSignInView()) {}

SignInController::~SignInController() {
    view_->setSubmitHandler(nullptr);
}

void SignInController::buildContent() {
    view_->setTexts(windowTexts());
    view_->setMessage(kWelcome, TextColor::Secondary);
    view_->setCodeVisible(false);
    view_->setPrimaryTitle(kRequestTitle);
    view_->setPrimaryEnabled(true);
    std::weak_ptr<SignInController> weakSelf = weak_from_this();
    view_->setSubmitHandler([weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->submit();
        }
    });
}

void SignInController::showWindow() {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    view_->show();
}

void SignInController::close() {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    view_->close();
}

void SignInController::submit() {
    ORVENDI_ASSERT_MAIN_THREAD(scheduler_);
    const std::string email = trimmed(view_->emailText());
    if (email.empty()) {
        view_->setMessage(kEnterEmail, TextColor::Red);
        return;
    }
    view_->setPrimaryEnabled(false);
    view_->setPrimaryTitle(codeSent_ ? kVerifyingTitle : kSendingTitle);
    // The phase and the code as typed are read here, on the main thread; neither
    // changes while a request runs (the button is disabled).
    request(email, codeSent_, codeSent_ ? view_->codeText() : std::string());
}

void SignInController::request(const std::string& email, bool verify, const std::string& code) {
    std::weak_ptr<SignInController> weakSelf = weak_from_this();
    Scheduler& scheduler = scheduler_;
    scheduler_.globalAsync(QueuePriority::UserInitiated, [weakSelf, &scheduler, email, verify,
                                                          code] {
        // Held weakly until the request starts, strongly from then on until
        // the main-thread step has run. The strong reference moves into that
        // step, so the controller (and its window) is never released here.
        auto self = weakSelf.lock();
        if (!self) {
            return;
        }
        try {
            if (verify) {
                self->api_->verifySignInCode(email, code);
                scheduler.mainAsync([self = std::move(self)] { self->signedInStep(); });
            } else {
                self->api_->requestSignInCode(email);
                scheduler.mainAsync([self = std::move(self), email] { self->codeSentStep(email); });
            }
        } catch (const std::exception& error) {
            scheduler.mainAsync([self = std::move(self), description = std::string(error.what())] {
                self->failureStep(description);
            });
        }
    });
}

void SignInController::codeSentStep(const std::string& email) {
    codeSent_ = true;
    view_->setEmailEnabled(false);
    view_->setCodeVisible(true);
    view_->focusCode();
    view_->setPrimaryEnabled(true);
    view_->setPrimaryTitle(kVerifyTitle);
    view_->setMessage(kCodeSentPrefix + email + ".", TextColor::Secondary);
}

void SignInController::signedInStep() {
    view_->close();
    if (onSignedIn_) {
        onSignedIn_();
    }
}

void SignInController::failureStep(const std::string& description) {
    view_->setPrimaryEnabled(true);
    view_->setPrimaryTitle(phaseTitle());
    view_->setMessage(description, TextColor::Red);
}

std::string SignInController::phaseTitle() const {
    return codeSent_ ? kVerifyTitle : kRequestTitle;
}

} // namespace orvendi
