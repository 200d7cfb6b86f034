#include "http/BearerAuth.h"

#include <strings.h>

#include "ServiceError.h"
#include "auth/TokenService.h"

namespace orvendi::server {

namespace {
constexpr std::string_view kScheme = "Bearer ";
} // namespace

BearerAuth::BearerAuth(TokenService& tokens) : tokens_(tokens) {}

int64_t BearerAuth::requireUser(const Request& request) const {
    return tokens_.authenticate(tokenOf(request));
}

void BearerAuth::endSession(const Request& request) const {
    tokens_.endSession(tokenOf(request));
}

std::string BearerAuth::tokenOf(const Request& request) {
    const std::string header = request.header("Authorization");
    if (header.size() <= kScheme.size() ||
        strncasecmp(header.c_str(), kScheme.data(), kScheme.size()) != 0) {
        throw ServiceError(401, "Not signed in");
    }
    std::string token = header.substr(kScheme.size());
    token.erase(0, token.find_first_not_of(' '));
    return token;
}

} // namespace orvendi::server
