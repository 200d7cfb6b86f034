#include "auth/SignupPolicy.h"

#include <algorithm>

#include "ServiceError.h"
#include "storage/UserStore.h"

namespace orvendi::server {

SignupPolicy::SignupPolicy(UserStore& users, std::optional<std::vector<std::string>> allowedDomains)
    : users_(users), allowedDomains_(std::move(allowedDomains)) {}

void SignupPolicy::admit(const std::string& email) const {
    if (mayCreate(email) || users_.findByEmail(email)) {
        return;
    }
    throw ServiceError(403, "This server does not take new accounts for that address. Ask "
                            "its operator to add you.");
}

bool SignupPolicy::mayCreate(const std::string& email) const {
    if (!allowedDomains_) {
        return true;
    }
    const std::string domain = email.substr(email.rfind('@') + 1);
    return std::find(allowedDomains_->begin(), allowedDomains_->end(), domain) !=
           allowedDomains_->end();
}

} // namespace orvendi::server
