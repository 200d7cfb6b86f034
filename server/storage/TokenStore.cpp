#include "storage/TokenStore.h"

#include "storage/Database.h"

namespace orvendi::server {

TokenStore::TokenStore(Database& db) : db_(db) {}

void TokenStore::addAccess(const Bytes& tokenHash, const Grant& grant) {
    db_.locked([&] {
        Statement insert = db_.prepare(
            "INSERT INTO access_tokens (token_hash, user_id, expires_at) VALUES (?, ?, ?)");
        insert.bindBlob(1, tokenHash).bindInteger(2, grant.userId).bindReal(3, grant.expiresAt);
        insert.run();
    });
}

std::optional<TokenStore::Grant> TokenStore::findAccess(const Bytes& tokenHash) {
    return db_.locked([&]() -> std::optional<Grant> {
        Statement query =
            db_.prepare("SELECT user_id, expires_at FROM access_tokens WHERE token_hash = ?");
        query.bindBlob(1, tokenHash);
        if (!query.step()) {
            return std::nullopt;
        }
        return Grant{query.integer(0), query.real(1)};
    });
}

void TokenStore::addRefresh(const Bytes& tokenHash, const Grant& grant) {
    db_.locked([&] {
        Statement insert = db_.prepare(
            "INSERT INTO refresh_tokens (token_hash, user_id, expires_at) VALUES (?, ?, ?)");
        insert.bindBlob(1, tokenHash).bindInteger(2, grant.userId).bindReal(3, grant.expiresAt);
        insert.run();
    });
}

std::optional<TokenStore::Grant> TokenStore::takeRefresh(const Bytes& tokenHash) {
    return db_.locked([&]() -> std::optional<Grant> {
        Statement take = db_.prepare(
            "DELETE FROM refresh_tokens WHERE token_hash = ? RETURNING user_id, expires_at");
        take.bindBlob(1, tokenHash);
        if (!take.step()) {
            return std::nullopt;
        }
        Grant grant{take.integer(0), take.real(1)};
        take.run();
        return grant;
    });
}

void TokenStore::removeExpired(double accessCutoff, double refreshCutoff) {
    db_.locked([&] {
        Statement access = db_.prepare("DELETE FROM access_tokens WHERE expires_at < ?");
        access.bindReal(1, accessCutoff).run();
        Statement refresh = db_.prepare("DELETE FROM refresh_tokens WHERE expires_at < ?");
        refresh.bindReal(1, refreshCutoff).run();
    });
}

} // namespace orvendi::server
