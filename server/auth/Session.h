#pragma once

#include <string>

namespace orvendi::server {

// What a sign-in hands out: a bearer token, the token that renews it, and when
// the bearer token stops working (seconds since 1970).
struct Session {
    std::string accessToken;
    std::string refreshToken;
    double expiresAt = 0;
    int lifetimeSeconds = 0;
};

} // namespace orvendi::server
