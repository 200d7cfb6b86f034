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
    // Ends the session the request's access token belongs to (sign-out);
    // throws ServiceError 401 when there is none.
    void endSession(const Request& request) const;

private:
    static std::string tokenOf(const Request& request);

    TokenService& tokens_;
};

} // namespace orvendi::server
