#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orvendi {

class Backend;
class Scheduler;
class SignInView;
class Windows;

// The sign-in window: the user asks for a one-time code by e-mail, then enters
// it. Requests run on a background queue; the controls change on the main
// thread only. After a successful verification the window closes and
// onSignedIn runs.
class SignInController : public std::enable_shared_from_this<SignInController> {
public:
    static std::shared_ptr<SignInController> create(std::shared_ptr<Backend> api, Windows& windows,
                                                    Scheduler& scheduler,
                                                    std::function<void()> onSignedIn);
    ~SignInController();
    SignInController(const SignInController&) = delete;
    SignInController& operator=(const SignInController&) = delete;

    void showWindow();
    void close();
    // The button's action (also Return).
    void submit();

    bool codeSent() const { return codeSent_; }

private:
    SignInController(std::shared_ptr<Backend> api, Windows& windows, Scheduler& scheduler,
                     std::function<void()> onSignedIn);
    void buildContent();
    void request(const std::string& email, bool verify, const std::string& code);
    void codeSentStep(const std::string& email);
    void signedInStep();
    void failureStep(const std::string& description);
    std::string phaseTitle() const;

    std::shared_ptr<Backend> api_;
    Scheduler& scheduler_;
    std::function<void()> onSignedIn_;
    std::unique_ptr<SignInView> view_;
    bool codeSent_ = false;
};

} // namespace orvendi
