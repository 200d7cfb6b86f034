#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvendi::server {

struct User {
    int64_t id = 0;
    std::string email;
    // argon2id hash; absent for accounts that only sign in by code.
    std::optional<std::string> passwordHash;
};

} // namespace orvendi::server
