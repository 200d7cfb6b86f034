#include "auth/FailureThrottle.h"

#include <algorithm>
#include <cmath>

namespace orvendi::server {

FailureThrottle::FailureThrottle(Rule rule) : rule_(rule) {}

double FailureThrottle::wait(const std::string& key, double now) {
    std::lock_guard lock(mutex_);
    forgetOldKeys(now);
    const auto it = records_.find(key);
    if (it == records_.end() || it->second.failures < rule_.freeFailures ||
        now - it->second.lastFailure >= rule_.forgetAfter) {
        return 0;
    }
    const int beyond = it->second.failures - rule_.freeFailures;
    const double delay =
        std::min(rule_.longestDelay, rule_.firstDelay * std::exp2(std::min(beyond, 30)));
    return std::max(0.0, it->second.lastFailure + delay - now);
}

void FailureThrottle::failed(const std::string& key, double now) {
    std::lock_guard lock(mutex_);
    Record& record = records_[key];
    if (now - record.lastFailure >= rule_.forgetAfter) {
        record.failures = 0;
    }
    ++record.failures;
    record.lastFailure = now;
}

void FailureThrottle::succeeded(const std::string& key) {
    std::lock_guard lock(mutex_);
    records_.erase(key);
}

void FailureThrottle::forgetOldKeys(double now) {
    // An occasional sweep keeps the table from growing with every key ever seen.
    if (now - lastSweep_ < rule_.forgetAfter / 24) {
        return;
    }
    lastSweep_ = now;
    std::erase_if(records_, [&](const auto& entry) {
        return now - entry.second.lastFailure >= rule_.forgetAfter;
    });
}

} // namespace orvendi::server
