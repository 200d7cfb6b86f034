#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvendi::server {

class UserStore;

// Accounts that may also sign in with a password (the password grant).
class PasswordAccounts {
public:
    explicit PasswordAccounts(UserStore& users);

    // Creates the account when needed and sets its password. Throws
    // orvendi::Error for an implausible address or an empty password.
    void setPassword(const std::string& address, const std::string& password);
    // The account whose password this is, or absent.
    std::optional<int64_t> check(const std::string& address, const std::string& password);

private:
    UserStore& users_;
};

} // namespace orvendi::server
