#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

namespace orvendi::server {

// Growing delays after failed attempts, per key: the first `freeFailures`
// failures cost nothing; after that each attempt must wait `firstDelay`
// seconds after the last failure, doubling with every further failure up to
// `longestDelay`. A key's failures are forgotten `forgetAfter` seconds after
// its last one, or at once after a success. Kept in memory.
class FailureThrottle {
public:
    struct Rule {
        int freeFailures;
        double firstDelay;
        double longestDelay;
        double forgetAfter;
    };

    explicit FailureThrottle(Rule rule);

    // Seconds until the key may try again; 0 when it may now.
    double wait(const std::string& key, double now);
    void failed(const std::string& key, double now);
    void succeeded(const std::string& key);

private:
    struct Record {
        int failures = 0;
        double lastFailure = 0;
    };

    void forgetOldKeys(double now);

    Rule rule_;
    std::mutex mutex_;
    std::unordered_map<std::string, Record> records_;
    double lastSweep_ = 0;
};

} // namespace orvendi::server
