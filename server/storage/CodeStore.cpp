#include "storage/CodeStore.h"

#include "storage/Database.h"

namespace orvendi::server {

CodeStore::CodeStore(Database& db) : db_(db) {}

void CodeStore::put(const std::string& email, const std::string& network, const Bytes& codeHash,
                    double expiresAt, int attempts) {
    db_.withConnection([&] {
        Statement insert = db_.prepare(
            "INSERT OR REPLACE INTO sign_in_codes "
            "(email, client_network, code_hash, expires_at, attempts_left) VALUES (?, ?, ?, ?, ?)");
        insert.bindText(1, email)
            .bindText(2, network)
            .bindBlob(3, codeHash)
            .bindReal(4, expiresAt)
            .bindInteger(5, attempts)
            .run();
    });
}

CodeStore::Outcome CodeStore::attempt(const std::string& email, const std::string& network,
                                      double now,
                                      const std::function<bool(const Bytes&)>& matches) {
    return db_.transaction([&] {
        Statement query = db_.prepare("SELECT code_hash, expires_at, attempts_left FROM "
                                      "sign_in_codes WHERE email = ? AND client_network = ?");
        query.bindText(1, email).bindText(2, network);
        if (!query.step()) {
            return Outcome::Missing;
        }
        const Bytes storedHash = query.blob(0);
        const double expiresAt = query.real(1);
        const int64_t attemptsLeft = query.integer(2);
        if (expiresAt <= now || attemptsLeft <= 0) {
            remove(email, network);
            return Outcome::Missing;
        }
        if (matches(storedHash)) {
            remove(email, network);
            return Outcome::Accepted;
        }
        if (attemptsLeft <= 1) {
            remove(email, network);
            return Outcome::Exhausted;
        }
        Statement update = db_.prepare("UPDATE sign_in_codes SET attempts_left = ? "
                                       "WHERE email = ? AND client_network = ?");
        update.bindInteger(1, attemptsLeft - 1).bindText(2, email).bindText(3, network).run();
        return Outcome::Wrong;
    });
}

void CodeStore::remove(const std::string& email, const std::string& network) {
    Statement remove =
        db_.prepare("DELETE FROM sign_in_codes WHERE email = ? AND client_network = ?");
    remove.bindText(1, email).bindText(2, network).run();
}

std::vector<std::string> CodeStore::removeExpired(double now) {
    return db_.withConnection([&] {
        Statement remove =
            db_.prepare("DELETE FROM sign_in_codes WHERE expires_at <= ? RETURNING email");
        remove.bindReal(1, now);
        std::vector<std::string> emails;
        while (remove.step()) {
            emails.push_back(remove.text(0));
        }
        return emails;
    });
}

bool CodeStore::hasLiveCode(const std::string& email, double now) {
    return db_.withConnection([&] {
        Statement query =
            db_.prepare("SELECT 1 FROM sign_in_codes WHERE email = ? AND expires_at > ? LIMIT 1");
        query.bindText(1, email).bindReal(2, now);
        return query.step();
    });
}

} // namespace orvendi::server
