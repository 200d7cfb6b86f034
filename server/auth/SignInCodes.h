#pragma once

#include <string>

#include "auth/RateLimiter.h"
#include "base/Bytes.h"

namespace orvendi::server {

class Clock;
class CodeDelivery;
class CodeStore;
class SignInAttempts;
class SignupPolicy;
class TokenHasher;

// One-time sign-in codes: six digits, valid ten minutes, five attempts, kept
// only as keyed hashes and bound to the client network that asked for them.
// Requests are limited per (address, client network), per client network and,
// with a ceiling well above a person's use, per address; wrong codes slow
// further attempts down (SignInAttempts).
class SignInCodes {
public:
    static constexpr int kValidSeconds = 600;
    static constexpr int kAttempts = 5;
    static constexpr size_t kRequestsPerAddressAndNetwork = 5;
    static constexpr size_t kRequestsPerNetwork = 20;
    static constexpr double kRequestWindowSeconds = 900;
    static constexpr size_t kRequestsPerAddress = 30;
    static constexpr double kAddressWindowSeconds = 3600;

    SignInCodes(CodeStore& codes, const TokenHasher& hasher, CodeDelivery& delivery,
                SignInAttempts& attempts, const SignupPolicy& signups, const Clock& clock);

    // Makes and delivers a new code for the address. Throws ServiceError: 400
    // for an implausible address, 403 when the address may not sign up, 429
    // when asked too often, 502 when mail fails.
    void request(const std::string& address, const std::string& clientAddress);
    // The normalised address whose code this is; the code is spent. Throws
    // ServiceError 401 for a wrong, expired or missing code, 429 while the
    // client must wait after too many wrong ones.
    std::string verify(const std::string& address, const std::string& code,
                       const std::string& clientAddress);
    // Forgets expired codes and withdraws their outbox copies.
    void removeExpired();

private:
    Bytes codeHash(const std::string& email, const std::string& code) const;
    void throwIfTooFrequent(const std::string& email, const std::string& network);
    void withdrawIfNoneLive(const std::string& email);

    CodeStore& codes_;
    const TokenHasher& hasher_;
    CodeDelivery& delivery_;
    SignInAttempts& attempts_;
    const SignupPolicy& signups_;
    const Clock& clock_;
    RateLimiter perAddressAndNetwork_;
    RateLimiter perNetwork_;
    RateLimiter perAddress_;
};

} // namespace orvendi::server
