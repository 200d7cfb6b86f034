#pragma once

#include <string>

#include "auth/FailureThrottle.h"

namespace orvendi::server {

class Clock;

// Slows down guessing of sign-in codes and passwords. Failures count per
// (account, client network), so that a stranger's guesses from elsewhere do
// not slow the owner down; per client network, against one network trying
// many accounts; and per account over all networks, a ceiling far above a
// person's typing errors that bounds what a stranger with many networks can
// try in a day.
class SignInAttempts {
public:
    explicit SignInAttempts(const Clock& clock);

    // Throws ServiceError 429 when the client must wait before trying again.
    void admit(const std::string& email, const std::string& clientAddress);
    void failed(const std::string& email, const std::string& clientAddress);
    void succeeded(const std::string& email, const std::string& clientAddress);

private:
    const Clock& clock_;
    FailureThrottle perAccountAndNetwork_;
    FailureThrottle perNetwork_;
    FailureThrottle perAccount_;
};

} // namespace orvendi::server
