#include "auth/PasswordAccounts.h"

#include "auth/EmailAddress.h"
#include "auth/PasswordHasher.h"
#include "base/Error.h"
#include "storage/UserStore.h"

namespace orvendi::server {

PasswordAccounts::PasswordAccounts(UserStore& users) : users_(users) {}

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
                                               const std::string& password) {
    const auto email = EmailAddress::normalize(address);
    const auto user = email ? users_.findByEmail(*email) : std::nullopt;
    if (!user || !user->passwordHash) {
        PasswordHasher::verifyNothing(password);
        return std::nullopt;
    }
    if (!PasswordHasher::verify(*user->passwordHash, password)) {
        return std::nullopt;
    }
    return user->id;
}

} // namespace orvendi::server
