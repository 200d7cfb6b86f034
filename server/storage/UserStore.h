#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "storage/User.h"

namespace orvendi::server {

class Clock;
class Database;

// Accounts, keyed by their normalised e-mail address.
class UserStore {
public:
    UserStore(Database& db, const Clock& clock);

    std::optional<User> findByEmail(const std::string& email);
    std::optional<User> findById(int64_t id);
    // The account of `email`, created without a password when there is none.
    int64_t findOrCreate(const std::string& email);
    void setPasswordHash(int64_t userId, const std::string& passwordHash);

private:
    Database& db_;
    const Clock& clock_;
};

} // namespace orvendi::server
