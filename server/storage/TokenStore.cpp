#include "storage/TokenStore.h"

#include "storage/Database.h"

namespace orvendi::server {

TokenStore::TokenStore(Database& db) : db_(db) {}

int64_t TokenStore::startFamily(int64_t userId, const Bytes& refreshHash, double now) {
    return db_.transaction([&] {
        Statement family = db_.prepare("INSERT INTO session_families (user_id, signed_in_at, "
                                       "last_used_at) VALUES (?, ?, ?) RETURNING id");
        family.bindInteger(1, userId).bindReal(2, now).bindReal(3, now);
        family.step();
        const int64_t familyId = family.integer(0);
        family.run();
        Statement token =
            db_.prepare("INSERT INTO refresh_tokens (token_hash, family_id) VALUES (?, ?)");
        token.bindBlob(1, refreshHash).bindInteger(2, familyId).run();
        return familyId;
    });
}

void TokenStore::addAccess(const Bytes& tokenHash, int64_t userId, int64_t familyId,
                           double expiresAt) {
    db_.withConnection([&] {
        Statement insert = db_.prepare("INSERT INTO access_tokens (token_hash, user_id, "
                                       "expires_at, family_id) VALUES (?, ?, ?, ?)");
        insert.bindBlob(1, tokenHash)
            .bindInteger(2, userId)
            .bindReal(3, expiresAt)
            .bindInteger(4, familyId)
            .run();
    });
}

std::optional<TokenStore::Access> TokenStore::findAccess(const Bytes& tokenHash) {
    return db_.withConnection([&]() -> std::optional<Access> {
        Statement query = db_.prepare(
            "SELECT user_id, expires_at, family_id FROM access_tokens WHERE token_hash = ?");
        query.bindBlob(1, tokenHash);
        if (!query.step()) {
            return std::nullopt;
        }
        return Access{query.integer(0), query.real(1), query.optionalInteger(2)};
    });
}

TokenStore::Renewal TokenStore::renew(const Bytes& refreshHash, const Bytes& nextHash, double now,
                                      const std::function<bool(const Family&)>& stillValid,
                                      Family& renewed) {
    return db_.transaction([&] {
        Statement query = db_.prepare(
            "SELECT t.spent, f.id, f.user_id, f.signed_in_at, f.last_used_at FROM refresh_tokens t "
            "JOIN session_families f ON f.id = t.family_id WHERE t.token_hash = ?");
        query.bindBlob(1, refreshHash);
        if (!query.step()) {
            return Renewal::Unknown;
        }
        const bool spent = query.integer(0) != 0;
        renewed = Family{query.integer(1), query.integer(2), query.real(3), query.real(4)};
        if (spent || !stillValid(renewed)) {
            endFamily(renewed.id);
            return spent ? Renewal::Reused : Renewal::Ended;
        }
        db_.prepare("UPDATE refresh_tokens SET spent = 1 WHERE token_hash = ?")
            .bindBlob(1, refreshHash)
            .run();
        db_.prepare("INSERT INTO refresh_tokens (token_hash, family_id) VALUES (?, ?)")
            .bindBlob(1, nextHash)
            .bindInteger(2, renewed.id)
            .run();
        db_.prepare("UPDATE session_families SET last_used_at = ? WHERE id = ?")
            .bindReal(1, now)
            .bindInteger(2, renewed.id)
            .run();
        renewed.lastUsedAt = now;
        return Renewal::Renewed;
    });
}

void TokenStore::endFamily(int64_t familyId) {
    db_.withConnection([&] {
        db_.prepare("DELETE FROM session_families WHERE id = ?").bindInteger(1, familyId).run();
    });
}

void TokenStore::removeAccess(const Bytes& tokenHash) {
    db_.withConnection([&] {
        db_.prepare("DELETE FROM access_tokens WHERE token_hash = ?").bindBlob(1, tokenHash).run();
    });
}

void TokenStore::removeExpired(double accessCutoff, double idleCutoff, double signInCutoff) {
    db_.transaction([&] {
        db_.prepare("DELETE FROM access_tokens WHERE expires_at < ?")
            .bindReal(1, accessCutoff)
            .run();
        db_.prepare("DELETE FROM session_families WHERE last_used_at < ? OR signed_in_at < ?")
            .bindReal(1, idleCutoff)
            .bindReal(2, signInCutoff)
            .run();
    });
}

} // namespace orvendi::server
