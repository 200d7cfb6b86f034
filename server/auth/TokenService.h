#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "auth/Session.h"

namespace orvendi::server {

class Clock;
class TokenHasher;
class TokenStore;

// Issues, renews and checks sessions. Access tokens live one hour; refresh
// tokens rotate: each renewal spends the old one and hands out a new pair.
class TokenService {
public:
    static constexpr int kAccessLifetimeSeconds = 3600;
    static constexpr int kRefreshLifetimeSeconds = 60 * 86400;

    TokenService(TokenStore& tokens, const TokenHasher& hasher, const Clock& clock);

    Session issue(int64_t userId);
    // Throws ServiceError 401 for a refresh token that is unknown, spent or expired.
    Session refresh(const std::string& refreshToken);
    // The user the access token belongs to; throws ServiceError 401 otherwise.
    int64_t authenticate(const std::string& accessToken);

private:
    void forgetOldTokens(double now);

    TokenStore& tokens_;
    const TokenHasher& hasher_;
    const Clock& clock_;
    std::atomic<double> lastCleanup_{0};
};

} // namespace orvendi::server
