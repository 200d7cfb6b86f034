#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvendi::server {

// Counts the open connections of each client so that one client cannot take
// every connection the server can hold. IPv6 clients count by their /64
// network, since one host can use any address in it.
class ConnectionLimiter {
public:
    // Held for as long as a connection is open; releases its place when destroyed.
    class Slot {
    public:
        Slot(ConnectionLimiter& limiter, std::string client);
        ~Slot();
        Slot(Slot&& other) noexcept;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;
        Slot& operator=(Slot&&) = delete;

    private:
        ConnectionLimiter* limiter_;
        std::string client_;
    };

    explicit ConnectionLimiter(size_t perClient);

    // A place for one more connection from this address, or nothing when the
    // client already has as many as it may.
    std::unique_ptr<Slot> tryAcquire(const std::string& address);

    // The key connections are counted under: the address, or its /64 for IPv6.
    static std::string clientOf(const std::string& address);

private:
    void release(const std::string& client);

    size_t perClient_;
    std::mutex mutex_;
    std::map<std::string, size_t> open_;
};

} // namespace orvendi::server
