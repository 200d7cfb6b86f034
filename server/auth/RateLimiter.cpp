#include "auth/RateLimiter.h"

namespace orvendi::server {

RateLimiter::RateLimiter(size_t limit, double windowSeconds)
    : limit_(limit), window_(windowSeconds) {}

double RateLimiter::tryAcquire(const std::string& key, double now) {
    std::lock_guard lock(mutex_);
    forgetIdleKeys(now);
    std::deque<double>& times = events_[key];
    while (!times.empty() && times.front() <= now - window_) {
        times.pop_front();
    }
    if (times.size() >= limit_) {
        return times.front() + window_ - now;
    }
    times.push_back(now);
    return 0;
}

void RateLimiter::forgetIdleKeys(double now) {
    // An occasional sweep keeps the table from growing with every key ever seen.
    if (now - lastSweep_ < window_) {
        return;
    }
    lastSweep_ = now;
    for (auto it = events_.begin(); it != events_.end();) {
        if (it->second.empty() || it->second.back() <= now - window_) {
            it = events_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace orvendi::server
