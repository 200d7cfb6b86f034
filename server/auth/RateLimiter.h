#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orvendi::server {

// Allows at most `limit` events per key within any window of `windowSeconds`.
// Kept in memory: a restart forgets the counts, which only ever lets more through.
class RateLimiter {
public:
    RateLimiter(size_t limit, double windowSeconds);

    // Counts the event and returns 0 when it is allowed; otherwise counts
    // nothing and returns the seconds until the next one would be.
    double tryAcquire(const std::string& key, double now);

private:
    void forgetIdleKeys(double now);

    size_t limit_;
    double window_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::deque<double>> events_;
    double lastSweep_ = 0;
};

} // namespace orvendi::server
