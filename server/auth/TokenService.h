#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "auth/Session.h"

namespace orvendi::server {

class Clock;
class TokenHasher;
class TokenStore;

// Issues, renews, checks and ends sessions. Access tokens live one hour.
// Refresh tokens rotate within the family of their sign-in: each renewal
// spends the old one and hands out a new pair; a spent one presented again
// means two holders (one of them a thief), so the whole family ends. A family
// also ends after 60 days without a renewal and a year after its sign-in.
class TokenService {
public:
    static constexpr int kAccessLifetimeSeconds = 3600;
    static constexpr double kFamilyIdleSeconds = 60 * 86400.0;
    static constexpr double kFamilyLifetimeSeconds = 365 * 86400.0;

    TokenService(TokenStore& tokens, const TokenHasher& hasher, const Clock& clock);

    // A new session in a new family.
    Session issue(int64_t userId);
    // Throws ServiceError 401 for a refresh token that is unknown, spent or
    // whose family has ended.
    Session refresh(const std::string& refreshToken);
    // The user the access token belongs to; throws ServiceError 401 otherwise.
    int64_t authenticate(const std::string& accessToken);
    // Ends the family of the access token's session; throws ServiceError 401
    // for a token that is not known.
    void endSession(const std::string& accessToken);

private:
    Session issueInFamily(int64_t userId, int64_t familyId, const std::string& refreshToken,
                          double now);
    void forgetOldTokens(double now);

    TokenStore& tokens_;
    const TokenHasher& hasher_;
    const Clock& clock_;
    std::atomic<double> lastCleanup_{0};
};

} // namespace orvendi::server
