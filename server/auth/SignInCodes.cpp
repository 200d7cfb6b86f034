#include "auth/SignInCodes.h"

#include <cmath>

#include "Clock.h"
#include "ServiceError.h"
#include "auth/CodeDelivery.h"
#include "auth/EmailAddress.h"
#include "auth/RandomValues.h"
#include "auth/TokenHasher.h"
#include "storage/CodeStore.h"

namespace orvendi::server {

namespace {

constexpr const char* kInvalidCode = "Invalid or expired code";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string waitText(double seconds) {
    const int minutes = std::max(1, static_cast<int>(std::ceil(seconds / 60.0)));
    return minutes == 1 ? "1 minute" : std::to_string(minutes) + " minutes";
}

} // namespace

SignInCodes::SignInCodes(CodeStore& codes, const TokenHasher& hasher, CodeDelivery& delivery,
                         const Clock& clock)
    : codes_(codes), hasher_(hasher), delivery_(delivery), clock_(clock),
      perAddress_(kRequestsPerAddress, kRequestWindowSeconds),
      perClient_(kRequestsPerClient, kRequestWindowSeconds) {}

void SignInCodes::request(const std::string& address, const std::string& clientAddress) {
    const auto email = EmailAddress::normalize(address);
    if (!email) {
        throw ServiceError(400, "Enter a valid e-mail address.");
    }
    throwIfTooFrequent(*email, clientAddress);
    const double now = clock_.now();
    codes_.removeExpired(now);
    const std::string code = RandomValues::sixDigitCode();
    codes_.put(*email, codeHash(*email, code), now + kValidSeconds, kAttempts);
    delivery_.deliver(*email, code, kValidSeconds / 60);
}

void SignInCodes::throwIfTooFrequent(const std::string& email, const std::string& clientAddress) {
    const double now = clock_.now();
    double wait = perClient_.tryAcquire(clientAddress, now);
    if (wait == 0) {
        wait = perAddress_.tryAcquire(email, now);
    }
    if (wait > 0) {
        throw ServiceError(429, "Too many sign-in codes requested. Try again in " + waitText(wait) +
                                    ".");
    }
}

std::string SignInCodes::verify(const std::string& address, const std::string& code) {
    const auto email = EmailAddress::normalize(address);
    if (!email) {
        throw ServiceError(401, kInvalidCode);
    }
    const Bytes offered = codeHash(*email, trimmed(code));
    const auto outcome = codes_.attempt(*email, clock_.now(), [&](const Bytes& stored) {
        return TokenHasher::same(stored, offered);
    });
    switch (outcome) {
    case CodeStore::Outcome::Accepted:
        return *email;
    case CodeStore::Outcome::Exhausted:
        throw ServiceError(401, "Too many wrong codes. Request a new code.");
    case CodeStore::Outcome::Wrong:
    case CodeStore::Outcome::Missing:
        break;
    }
    throw ServiceError(401, kInvalidCode);
}

Bytes SignInCodes::codeHash(const std::string& email, const std::string& code) const {
    // Bound to the address so that a code hash means nothing for another account.
    return hasher_.hash(email + "\n" + code);
}

} // namespace orvendi::server
