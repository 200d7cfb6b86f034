#include "storage/CodeStore.h"

#include "storage/Database.h"

namespace orvendi::server {

CodeStore::CodeStore(Database& db) : db_(db) {}

void CodeStore::put(const std::string& email, const Bytes& codeHash, double expiresAt,
                    int attempts) {
    db_.locked([&] {
        Statement insert = db_.prepare(
            "INSERT OR REPLACE INTO sign_in_codes (email, code_hash, expires_at, attempts_left) "
            "VALUES (?, ?, ?, ?)");
        insert.bindText(1, email)
            .bindBlob(2, codeHash)
            .bindReal(3, expiresAt)
            .bindInteger(4, attempts)
            .run();
    });
}

CodeStore::Outcome CodeStore::attempt(const std::string& email, double now,
                                      const std::function<bool(const Bytes&)>& matches) {
    return db_.transaction([&] {
        Statement query = db_.prepare(
            "SELECT code_hash, expires_at, attempts_left FROM sign_in_codes WHERE email = ?");
        query.bindText(1, email);
        if (!query.step()) {
            return Outcome::Missing;
        }
        const Bytes storedHash = query.blob(0);
        const double expiresAt = query.real(1);
        const int64_t attemptsLeft = query.integer(2);
        if (expiresAt <= now || attemptsLeft <= 0) {
            remove(email);
            return Outcome::Missing;
        }
        if (matches(storedHash)) {
            remove(email);
            return Outcome::Accepted;
        }
        if (attemptsLeft <= 1) {
            remove(email);
            return Outcome::Exhausted;
        }
        Statement update =
            db_.prepare("UPDATE sign_in_codes SET attempts_left = ? WHERE email = ?");
        update.bindInteger(1, attemptsLeft - 1).bindText(2, email).run();
        return Outcome::Wrong;
    });
}

void CodeStore::remove(const std::string& email) {
    Statement remove = db_.prepare("DELETE FROM sign_in_codes WHERE email = ?");
    remove.bindText(1, email).run();
}

void CodeStore::removeExpired(double now) {
    db_.locked([&] {
        Statement remove = db_.prepare("DELETE FROM sign_in_codes WHERE expires_at <= ?");
        remove.bindReal(1, now).run();
    });
}

} // namespace orvendi::server
