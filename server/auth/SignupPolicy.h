#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvendi::server {

class UserStore;

// Who may make an account by signing in for the first time: anyone (the
// default), addresses of some domains only, or no one (existing accounts only).
class SignupPolicy {
public:
    // Absent: anyone. Otherwise the domains whose addresses may sign up; an
    // empty list closes sign-ups.
    SignupPolicy(UserStore& users, std::optional<std::vector<std::string>> allowedDomains);

    // Throws ServiceError 403 when `email` (normalised) has no account and may not make one.
    void admit(const std::string& email) const;

private:
    bool mayCreate(const std::string& email) const;

    UserStore& users_;
    std::optional<std::vector<std::string>> allowedDomains_;
};

} // namespace orvendi::server
