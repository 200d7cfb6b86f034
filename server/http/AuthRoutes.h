#pragma once

#include <string>

#include "base/Bytes.h"
#include "http/RouteModule.h"

namespace orvendi::server {

class BearerAuth;
class PasswordAccounts;
class SignInCodes;
class TokenHasher;
class TokenService;
class UserStore;

// Sign-in by e-mail code, session renewal, and the password grant:
//   POST /api/native-auth/request   {"email"}
//   POST /api/native-auth/verify    {"email","code"} -> {"accessToken","refreshToken","expiresAt"}
//   POST /api/native-auth/refresh   {"refreshToken"} -> a new session; the old refresh
//        token is spent
//   POST /api/native-auth/logout    (Bearer) -> 204; the session's family ends
//   POST /auth/v1/token?grant_type=password  header "apikey", {"email","password"}
//        -> {"access_token","token_type","expires_in","refresh_token"}
class AuthRoutes : public RouteModule {
public:
    AuthRoutes(SignInCodes& codes, TokenService& tokens, PasswordAccounts& accounts,
               UserStore& users, const TokenHasher& hasher, const BearerAuth& bearer,
               const std::string& anonKey);

    void registerRoutes(Router& router) override;

private:
    bool anonKeyMatches(const std::string& offered) const;

    SignInCodes& codes_;
    TokenService& tokens_;
    PasswordAccounts& accounts_;
    UserStore& users_;
    const TokenHasher& hasher_;
    const BearerAuth& bearer_;
    Bytes anonKeyHash_;
};

} // namespace orvendi::server
