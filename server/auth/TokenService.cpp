#include "auth/TokenService.h"

#include "Clock.h"
#include "ServiceError.h"
#include "auth/RandomValues.h"
#include "auth/TokenHasher.h"
#include "storage/TokenStore.h"

namespace orvendi::server {

namespace {
// Expired access tokens are remembered this long so that their owners hear
// "expired" rather than "invalid".
constexpr double kExpiredAccessMemorySeconds = 86400;
constexpr double kCleanupIntervalSeconds = 3600;
} // namespace

TokenService::TokenService(TokenStore& tokens, const TokenHasher& hasher, const Clock& clock)
    : tokens_(tokens), hasher_(hasher), clock_(clock) {}

Session TokenService::issue(int64_t userId) {
    const double now = clock_.now();
    forgetOldTokens(now);
    Session session{RandomValues::token(), RandomValues::token(), now + kAccessLifetimeSeconds,
                    kAccessLifetimeSeconds};
    tokens_.addAccess(hasher_.hash(session.accessToken), {userId, session.expiresAt});
    tokens_.addRefresh(hasher_.hash(session.refreshToken), {userId, now + kRefreshLifetimeSeconds});
    return session;
}

Session TokenService::refresh(const std::string& refreshToken) {
    const auto grant = tokens_.takeRefresh(hasher_.hash(refreshToken));
    if (!grant || grant->expiresAt <= clock_.now()) {
        throw ServiceError(401, "Invalid or expired refresh token");
    }
    return issue(grant->userId);
}

int64_t TokenService::authenticate(const std::string& accessToken) {
    if (accessToken.empty()) {
        throw ServiceError(401, "Not signed in");
    }
    const auto grant = tokens_.findAccess(hasher_.hash(accessToken));
    if (!grant) {
        throw ServiceError(401, "Invalid access token");
    }
    if (grant->expiresAt <= clock_.now()) {
        throw ServiceError(401, "Session expired");
    }
    return grant->userId;
}

void TokenService::forgetOldTokens(double now) {
    double last = lastCleanup_.load();
    if (now - last < kCleanupIntervalSeconds || !lastCleanup_.compare_exchange_strong(last, now)) {
        return;
    }
    tokens_.removeExpired(now - kExpiredAccessMemorySeconds, now);
}

} // namespace orvendi::server
