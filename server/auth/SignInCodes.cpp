#include "auth/SignInCodes.h"

#include <cmath>

#include "Clock.h"
#include "ServiceError.h"
#include "auth/ClientNetwork.h"
#include "auth/CodeDelivery.h"
#include "auth/EmailAddress.h"
#include "auth/RandomValues.h"
#include "auth/SignInAttempts.h"
#include "auth/SignupPolicy.h"
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
                         SignInAttempts& attempts, const SignupPolicy& signups, const Clock& clock)
    : codes_(codes), hasher_(hasher), delivery_(delivery), attempts_(attempts), signups_(signups),
      clock_(clock), perAddressAndNetwork_(kRequestsPerAddressAndNetwork, kRequestWindowSeconds),
      perNetwork_(kRequestsPerNetwork, kRequestWindowSeconds),
      perAddress_(kRequestsPerAddress, kAddressWindowSeconds) {}

void SignInCodes::request(const std::string& address, const std::string& clientAddress) {
    const auto email = EmailAddress::normalize(address);
    if (!email) {
        throw ServiceError(400, "Enter a valid e-mail address.");
    }
    signups_.admit(*email);
    const std::string network = ClientNetwork::of(clientAddress);
    throwIfTooFrequent(*email, network);
    removeExpired();
    const std::string code = RandomValues::sixDigitCode();
    codes_.put(*email, network, codeHash(*email, code), clock_.now() + kValidSeconds, kAttempts);
    delivery_.deliver(*email, code, kValidSeconds / 60);
}

void SignInCodes::throwIfTooFrequent(const std::string& email, const std::string& network) {
    const double now = clock_.now();
    // Counted in this order, so that a stranger refused for one network uses
    // up nothing of the address's ceiling.
    double wait = perNetwork_.tryAcquire(network, now);
    if (wait == 0) {
        wait = perAddressAndNetwork_.tryAcquire(email + "\n" + network, now);
    }
    if (wait == 0) {
        wait = perAddress_.tryAcquire(email, now);
    }
    if (wait > 0) {
        throw ServiceError(429, "Too many sign-in codes requested. Try again in " + waitText(wait) +
                                    ".");
    }
}

std::string SignInCodes::verify(const std::string& address, const std::string& code,
                                const std::string& clientAddress) {
    const auto email = EmailAddress::normalize(address);
    if (!email) {
        throw ServiceError(401, kInvalidCode);
    }
    attempts_.admit(*email, clientAddress);
    const Bytes offered = codeHash(*email, trimmed(code));
    const auto outcome =
        codes_.attempt(*email, ClientNetwork::of(clientAddress), clock_.now(),
                       [&](const Bytes& stored) { return TokenHasher::same(stored, offered); });
    if (outcome == CodeStore::Outcome::Accepted) {
        attempts_.succeeded(*email, clientAddress);
        withdrawIfNoneLive(*email);
        signups_.admit(*email);
        return *email;
    }
    attempts_.failed(*email, clientAddress);
    if (outcome == CodeStore::Outcome::Exhausted) {
        withdrawIfNoneLive(*email);
        throw ServiceError(401, "Too many wrong codes. Request a new code.");
    }
    throw ServiceError(401, kInvalidCode);
}

void SignInCodes::removeExpired() {
    for (const std::string& email : codes_.removeExpired(clock_.now())) {
        withdrawIfNoneLive(email);
    }
}

void SignInCodes::withdrawIfNoneLive(const std::string& email) {
    if (!codes_.hasLiveCode(email, clock_.now())) {
        delivery_.withdraw(email);
    }
}

Bytes SignInCodes::codeHash(const std::string& email, const std::string& code) const {
    // Bound to the address so that a code hash means nothing for another account.
    return hasher_.hash(email + "\n" + code);
}

} // namespace orvendi::server
