#include "http/ConnectionLimiter.h"

#include <algorithm>
#include <utility>

#include <arpa/inet.h>

namespace orvendi::server {

namespace {
constexpr size_t kIpv6NetworkBytes = 8; // a /64
} // namespace

ConnectionLimiter::Slot::Slot(ConnectionLimiter& limiter, std::string client)
    : limiter_(&limiter), client_(std::move(client)) {}

ConnectionLimiter::Slot::Slot(Slot&& other) noexcept
    : limiter_(std::exchange(other.limiter_, nullptr)), client_(std::move(other.client_)) {}

ConnectionLimiter::Slot::~Slot() {
    if (limiter_) {
        limiter_->release(client_);
    }
}

ConnectionLimiter::ConnectionLimiter(size_t perClient) : perClient_(perClient) {}

std::string ConnectionLimiter::clientOf(const std::string& address) {
    unsigned char bytes[16];
    if (inet_pton(AF_INET6, address.c_str(), bytes) != 1) {
        return address;
    }
    std::fill(bytes + kIpv6NetworkBytes, bytes + sizeof bytes, 0);
    char text[INET6_ADDRSTRLEN];
    inet_ntop(AF_INET6, bytes, text, sizeof text);
    return std::string(text) + "/64";
}

std::unique_ptr<ConnectionLimiter::Slot> ConnectionLimiter::tryAcquire(const std::string& address) {
    std::string client = clientOf(address);
    std::lock_guard lock(mutex_);
    size_t& open = open_[client];
    if (open >= perClient_) {
        return nullptr;
    }
    ++open;
    return std::make_unique<Slot>(*this, std::move(client));
}

void ConnectionLimiter::release(const std::string& client) {
    std::lock_guard lock(mutex_);
    const auto it = open_.find(client);
    if (it != open_.end() && --it->second == 0) {
        open_.erase(it);
    }
}

} // namespace orvendi::server
