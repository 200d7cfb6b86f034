#pragma once

#include <string>

#include "auth/RateLimiter.h"
#include "base/Bytes.h"

namespace orvendi::server {

class Clock;
class CodeDelivery;
class CodeStore;
class TokenHasher;

// One-time sign-in codes: six digits, valid ten minutes, five attempts, kept
// only as keyed hashes; requests are limited per address and per client.
class SignInCodes {
public:
    static constexpr int kValidSeconds = 600;
    static constexpr int kAttempts = 5;
    static constexpr size_t kRequestsPerAddress = 5;
    static constexpr size_t kRequestsPerClient = 20;
    static constexpr double kRequestWindowSeconds = 900;

    SignInCodes(CodeStore& codes, const TokenHasher& hasher, CodeDelivery& delivery,
                const Clock& clock);

    // Makes and delivers a new code for the address. Throws ServiceError: 400
    // for an implausible address, 429 when asked too often, 502 when mail fails.
    void request(const std::string& address, const std::string& clientAddress);
    // The normalised address whose code this is; the code is spent. Throws
    // ServiceError 401 for a wrong, expired or missing code.
    std::string verify(const std::string& address, const std::string& code);

private:
    Bytes codeHash(const std::string& email, const std::string& code) const;
    void throwIfTooFrequent(const std::string& email, const std::string& clientAddress);

    CodeStore& codes_;
    const TokenHasher& hasher_;
    CodeDelivery& delivery_;
    const Clock& clock_;
    RateLimiter perAddress_;
    RateLimiter perClient_;
};

} // namespace orvendi::server
