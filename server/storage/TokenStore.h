#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "base/Bytes.h"

namespace orvendi::server {

class Database;

// Access and refresh tokens, stored only as keyed hashes of their values, and
// the session families they belong to: one family per sign-in, holding every
// refresh token its renewals handed out (spent ones are kept to recognise
// their reuse) and the access tokens issued with them.
class TokenStore {
public:
    struct Access {
        int64_t userId = 0;
        double expiresAt = 0;
        std::optional<int64_t> familyId; // absent for tokens from before families
    };
    struct Family {
        int64_t id = 0;
        int64_t userId = 0;
        double signedInAt = 0;
        double lastUsedAt = 0;
    };
    enum class Renewal { Renewed, Unknown, Reused, Ended };

    explicit TokenStore(Database& db);

    // A new family with its first refresh token.
    int64_t startFamily(int64_t userId, const Bytes& refreshHash, double now);
    void addAccess(const Bytes& tokenHash, int64_t userId, int64_t familyId, double expiresAt);
    std::optional<Access> findAccess(const Bytes& tokenHash);
    // Spends the refresh token and adds `nextHash` to its family, atomically.
    // A token already spent ends its family (Reused); a family that
    // `stillValid` refuses ends too (Ended). `renewed` receives the family.
    Renewal renew(const Bytes& refreshHash, const Bytes& nextHash, double now,
                  const std::function<bool(const Family&)>& stillValid, Family& renewed);
    // Ends the family and every token in it.
    void endFamily(int64_t familyId);
    void removeAccess(const Bytes& tokenHash);
    // Forgets access tokens that expired before `accessCutoff` and families
    // unused since `idleCutoff` or signed in before `signInCutoff`.
    void removeExpired(double accessCutoff, double idleCutoff, double signInCutoff);

private:
    Database& db_;
};

} // namespace orvendi::server
