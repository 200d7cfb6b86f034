#pragma once

#include <cstdint>

#include "http/Request.h"

namespace orvendi::server {

class TokenService;

// Finds the user behind a request's "Authorization: Bearer <token>" header.
class BearerAuth {
public:
    explicit BearerAuth(TokenService& tokens);

    // Throws ServiceError 401 when the header is missing or its token is not
    // (or no longer) valid.
    int64_t requireUser(const Request& request) const;

private:
    TokenService& tokens_;
};

} // namespace orvendi::server
