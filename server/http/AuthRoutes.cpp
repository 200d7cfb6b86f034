#include "http/AuthRoutes.h"

#include "ServiceError.h"
#include "auth/PasswordAccounts.h"
#include "auth/SignInCodes.h"
#include "auth/TokenHasher.h"
#include "auth/TokenService.h"
#include "http/BearerAuth.h"
#include "http/JsonReply.h"
#include "http/JsonRequest.h"
#include "http/Router.h"
#include "storage/UserStore.h"

namespace orvendi::server {

namespace {

nlohmann::json nativeSession(const Session& session) {
    return {{"accessToken", session.accessToken},
            {"refreshToken", session.refreshToken},
            {"expiresAt", static_cast<int64_t>(session.expiresAt)}};
}

} // namespace

AuthRoutes::AuthRoutes(SignInCodes& codes, TokenService& tokens, PasswordAccounts& accounts,
                       UserStore& users, const TokenHasher& hasher, const BearerAuth& bearer,
                       const std::string& anonKey)
    : codes_(codes), tokens_(tokens), accounts_(accounts), users_(users), hasher_(hasher),
      bearer_(bearer), anonKeyHash_(hasher.hash(anonKey)) {}

bool AuthRoutes::anonKeyMatches(const std::string& offered) const {
    // Hashing first gives both sides the same length, so the comparison's
    // time says nothing about the key.
    return TokenHasher::same(hasher_.hash(offered), anonKeyHash_);
}

void AuthRoutes::registerRoutes(Router& router) {
    router.post("/api/native-auth/request", [this](const auto& request, auto& response) {
        const JsonRequest body(request.body);
        codes_.request(body.requiredString("email"), request.remoteAddress);
        JsonReply::send(response, 200, {{"sent", true}});
    });

    router.post("/api/native-auth/verify", [this](const auto& request, auto& response) {
        const JsonRequest body(request.body);
        const std::string email = codes_.verify(body.requiredString("email"),
                                                body.requiredString("code"), request.remoteAddress);
        JsonReply::send(response, 200, nativeSession(tokens_.issue(users_.findOrCreate(email))));
    });

    router.post("/api/native-auth/refresh", [this](const auto& request, auto& response) {
        const JsonRequest body(request.body);
        JsonReply::send(response, 200,
                        nativeSession(tokens_.refresh(body.requiredString("refreshToken"))));
    });

    router.post("/api/native-auth/logout", [this](const auto& request, auto& response) {
        bearer_.endSession(request);
        response.status = 204;
    });

    router.post("/auth/v1/token", [this](const auto& request, auto& response) {
        if (!anonKeyMatches(request.header("apikey"))) {
            throw ServiceError(401, "Invalid API key");
        }
        if (request.param("grant_type") != "password") {
            throw ServiceError(400, "Unsupported grant type");
        }
        const JsonRequest body(request.body);
        const auto userId = accounts_.check(body.requiredString("email"),
                                            body.requiredString("password"), request.remoteAddress);
        if (!userId) {
            throw ServiceError(400, "Invalid login credentials");
        }
        const Session session = tokens_.issue(*userId);
        JsonReply::send(response, 200,
                        {{"access_token", session.accessToken},
                         {"token_type", "bearer"},
                         {"expires_in", session.lifetimeSeconds},
                         {"expires_at", static_cast<int64_t>(session.expiresAt)},
                         {"refresh_token", session.refreshToken}});
    });
}

} // namespace orvendi::server
