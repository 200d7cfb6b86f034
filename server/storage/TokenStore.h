#pragma once

#include <cstdint>
#include <optional>

#include "base/Bytes.h"

namespace orvendi::server {

class Database;

// Access and refresh tokens, stored only as keyed hashes of their values.
class TokenStore {
public:
    struct Grant {
        int64_t userId = 0;
        double expiresAt = 0;
    };

    explicit TokenStore(Database& db);

    void addAccess(const Bytes& tokenHash, const Grant& grant);
    std::optional<Grant> findAccess(const Bytes& tokenHash);
    void addRefresh(const Bytes& tokenHash, const Grant& grant);
    // Removes the refresh token and returns what it granted: each one is spent once.
    std::optional<Grant> takeRefresh(const Bytes& tokenHash);
    // Forgets access tokens that expired before `accessCutoff` and refresh
    // tokens that expired before `refreshCutoff`.
    void removeExpired(double accessCutoff, double refreshCutoff);

private:
    Database& db_;
};

} // namespace orvendi::server
