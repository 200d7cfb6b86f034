#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvendi::server {

class SignInAttempts;
class UserStore;

// Accounts that may also sign in with a password (the password grant). Wrong
// passwords slow further attempts down like wrong codes do, and a client that
// must wait is refused before the costly hash is computed.
class PasswordAccounts {
public:
    PasswordAccounts(UserStore& users, SignInAttempts& attempts);

    // Creates the account when needed and sets its password. Throws
    // orvendi::Error for an implausible address or an empty password.
    void setPassword(const std::string& address, const std::string& password);
    // The account whose password this is, or absent. Throws ServiceError 429
    // while the client must wait.
    std::optional<int64_t> check(const std::string& address, const std::string& password,
                                 const std::string& clientAddress);

private:
    UserStore& users_;
    SignInAttempts& attempts_;
};

} // namespace orvendi::server
