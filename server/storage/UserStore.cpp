#include "storage/UserStore.h"

#include "Clock.h"
#include "storage/Database.h"

namespace orvendi::server {

namespace {

std::optional<User> readUser(Statement& query) {
    if (!query.step()) {
        return std::nullopt;
    }
    return User{query.integer(0), query.text(1), query.optionalText(2)};
}

} // namespace

UserStore::UserStore(Database& db, const Clock& clock) : db_(db), clock_(clock) {}

std::optional<User> UserStore::findByEmail(const std::string& email) {
    return db_.withConnection([&] {
        Statement query = db_.prepare("SELECT id, email, password_hash FROM users WHERE email = ?");
        query.bindText(1, email);
        return readUser(query);
    });
}

std::optional<User> UserStore::findById(int64_t id) {
    return db_.withConnection([&] {
        Statement query = db_.prepare("SELECT id, email, password_hash FROM users WHERE id = ?");
        query.bindInteger(1, id);
        return readUser(query);
    });
}

int64_t UserStore::findOrCreate(const std::string& email) {
    return db_.transaction([&] {
        Statement insert = db_.prepare(
            "INSERT INTO users (email, created_at) VALUES (?, ?) ON CONFLICT (email) DO NOTHING");
        insert.bindText(1, email).bindReal(2, clock_.now()).run();
        Statement query = db_.prepare("SELECT id FROM users WHERE email = ?");
        query.bindText(1, email);
        query.step();
        return query.integer(0);
    });
}

void UserStore::setPasswordHash(int64_t userId, const std::string& passwordHash) {
    db_.withConnection([&] {
        Statement update = db_.prepare("UPDATE users SET password_hash = ? WHERE id = ?");
        update.bindText(1, passwordHash).bindInteger(2, userId).run();
    });
}

} // namespace orvendi::server
