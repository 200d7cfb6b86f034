#include "auth/PasswordAccounts.h"

#include "auth/EmailAddress.h"
#include "auth/PasswordHasher.h"
#include "auth/SignInAttempts.h"
#include "base/Error.h"
#include "storage/UserStore.h"

namespace orvendi::server {

PasswordAccounts::PasswordAccounts(UserStore& users, SignInAttempts& attempts)
    : users_(users), attempts_(attempts) {}

void PasswordAccounts::setPassword(const std::string& address, const std::string& password) {
    const auto email = EmailAddress::normalize(address);
    if (!email) {
        throw Error("Not a valid e-mail address: " + address);
    }
    if (password.empty()) {
        throw Error("The password of " + *email + " is empty");
    }
    const int64_t userId = users_.findOrCreate(*email);
    users_.setPasswordHash(userId, PasswordHasher::hash(password));
}

std::optional<int64_t> PasswordAccounts::check(const std::string& address,
                                               const std::string& password,
                                               const std::string& clientAddress) {
    const std::string email = EmailAddress::normalize(address).value_or(address);
    attempts_.admit(email, clientAddress);
    const auto user = users_.findByEmail(email);
    const bool matches = user && user->passwordHash
                             ? PasswordHasher::verify(*user->passwordHash, password)
                             : (PasswordHasher::verifyNothing(password), false);
    if (!matches) {
        attempts_.failed(email, clientAddress);
        return std::nullopt;
    }
    attempts_.succeeded(email, clientAddress);
    return user->id;
}

} // namespace orvendi::server
