#include "auth/SignInAttempts.h"

#include <algorithm>
#include <cmath>

#include "Clock.h"
#include "ServiceError.h"
#include "auth/ClientNetwork.h"

namespace orvendi::server {

namespace {

constexpr double kMinute = 60;
constexpr double kHour = 3600;
constexpr double kDay = 86400;

// One code's worth of attempts is free, then delays from 2 s up to 15 minutes.
constexpr FailureThrottle::Rule kPerAccountAndNetwork{5, 2, 15 * kMinute, kDay};
// A network trying many accounts.
constexpr FailureThrottle::Rule kPerNetwork{20, 2, 15 * kMinute, kDay};
// All networks together: 50 failures a day before the delays start, then at
// most about one try an hour.
constexpr FailureThrottle::Rule kPerAccount{50, kMinute, kHour, kDay};

std::string pair(const std::string& email, const std::string& network) {
    return email + "\n" + network;
}

std::string waitText(double seconds) {
    if (seconds < 90) {
        const int whole = std::max(1, static_cast<int>(std::ceil(seconds)));
        return whole == 1 ? "1 second" : std::to_string(whole) + " seconds";
    }
    return std::to_string(static_cast<int>(std::ceil(seconds / kMinute))) + " minutes";
}

} // namespace

SignInAttempts::SignInAttempts(const Clock& clock)
    : clock_(clock), perAccountAndNetwork_(kPerAccountAndNetwork), perNetwork_(kPerNetwork),
      perAccount_(kPerAccount) {}

void SignInAttempts::admit(const std::string& email, const std::string& clientAddress) {
    const double now = clock_.now();
    const std::string network = ClientNetwork::of(clientAddress);
    const double wait = std::max({perAccountAndNetwork_.wait(pair(email, network), now),
                                  perNetwork_.wait(network, now), perAccount_.wait(email, now)});
    if (wait > 0) {
        throw ServiceError(429, "Too many sign-in attempts. Try again in " + waitText(wait) + ".");
    }
}

void SignInAttempts::failed(const std::string& email, const std::string& clientAddress) {
    const double now = clock_.now();
    const std::string network = ClientNetwork::of(clientAddress);
    perAccountAndNetwork_.failed(pair(email, network), now);
    perNetwork_.failed(network, now);
    perAccount_.failed(email, now);
}

void SignInAttempts::succeeded(const std::string& email, const std::string& clientAddress) {
    perAccountAndNetwork_.succeeded(pair(email, ClientNetwork::of(clientAddress)));
}

} // namespace orvendi::server
