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
constexpr const char* kInvalidRefresh = "Invalid or expired refresh token";
} // namespace

TokenService::TokenService(TokenStore& tokens, const TokenHasher& hasher, const Clock& clock)
    : tokens_(tokens), hasher_(hasher), clock_(clock) {}

Session TokenService::issue(int64_t userId) {
    const double now = clock_.now();
    forgetOldTokens(now);
    const std::string refreshToken = RandomValues::token();
    const int64_t familyId = tokens_.startFamily(userId, hasher_.hash(refreshToken), now);
    return issueInFamily(userId, familyId, refreshToken, now);
}

Session TokenService::issueInFamily(int64_t userId, int64_t familyId,
                                    const std::string& refreshToken, double now) {
    Session session{RandomValues::token(), refreshToken, now + kAccessLifetimeSeconds,
                    kAccessLifetimeSeconds};
    tokens_.addAccess(hasher_.hash(session.accessToken), userId, familyId, session.expiresAt);
    return session;
}

Session TokenService::refresh(const std::string& refreshToken) {
    const double now = clock_.now();
    const std::string next = RandomValues::token();
    TokenStore::Family family;
    const auto outcome = tokens_.renew(
        hasher_.hash(refreshToken), hasher_.hash(next), now,
        [now](const TokenStore::Family& candidate) {
            return candidate.lastUsedAt + kFamilyIdleSeconds > now &&
                   candidate.signedInAt + kFamilyLifetimeSeconds > now;
        },
        family);
    switch (outcome) {
    case TokenStore::Renewal::Renewed:
        return issueInFamily(family.userId, family.id, next, now);
    case TokenStore::Renewal::Reused:
        throw ServiceError(401, "This session was renewed elsewhere and has been ended for "
                                "safety. Sign in again.");
    case TokenStore::Renewal::Unknown:
    case TokenStore::Renewal::Ended:
        break;
    }
    throw ServiceError(401, kInvalidRefresh);
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

void TokenService::endSession(const std::string& accessToken) {
    const Bytes hash = hasher_.hash(accessToken);
    const auto grant = accessToken.empty() ? std::nullopt : tokens_.findAccess(hash);
    if (!grant) {
        throw ServiceError(401, "Not signed in");
    }
    if (grant->familyId) {
        tokens_.endFamily(*grant->familyId);
    } else {
        tokens_.removeAccess(hash);
    }
}

void TokenService::forgetOldTokens(double now) {
    double last = lastCleanup_.load();
    if (now - last < kCleanupIntervalSeconds || !lastCleanup_.compare_exchange_strong(last, now)) {
        return;
    }
    tokens_.removeExpired(now - kExpiredAccessMemorySeconds, now - kFamilyIdleSeconds,
                          now - kFamilyLifetimeSeconds);
}

} // namespace orvendi::server
