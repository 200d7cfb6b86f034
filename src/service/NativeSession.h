#pragma once

#include <string>

namespace orvendi {

// A signed-in session: the bearer token, the token that renews it, and when the
// access token expires (seconds since 1970).
struct NativeSession {
    std::string accessToken;
    std::string refreshToken;
    double expiresAt = 0;
    bool operator==(const NativeSession&) const = default;
};

} // namespace orvendi
