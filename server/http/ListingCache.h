#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "http/CachedAnswer.h"

namespace orvendi::server {

// The note listings last answered, per user, query and encoding, each reused
// while the user's notes keep the version it was made from. Bounded by the
// bytes it keeps: the least recently used answers go first. While one request
// makes an answer, others asking for the same one wait for it rather than
// reading the same rows again. Safe to use from any number of threads.
class ListingCache {
public:
    struct Key {
        int64_t userId = 0;
        std::optional<int64_t> sinceMs;
        bool full = false;
        bool gzip = false;
        auto operator<=>(const Key&) const = default;
    };
    using Answer = std::shared_ptr<const CachedAnswer>;
    using Make = std::function<Answer()>;

    explicit ListingCache(size_t capacityBytes);

    // The answer for `key` at `version`, the user's current one: kept,
    // awaited from the request making it, or made by `make`. What `make`
    // returns is kept as it is, even with a version newer than `version`
    // (a write committed meanwhile): its own request may use it, since it
    // was read after the request came, but others use an answer only at the
    // version they saw.
    Answer get(const Key& key, int64_t version, const Make& make);
    size_t bytes() const;

private:
    struct Entry {
        Answer answer;
        std::list<Key>::iterator recency;
    };

    // Under the lock: the kept answer at `version`, now the most recently used.
    Answer kept(const Key& key, int64_t version);
    Answer makeAsTheOnlyOne(const Key& key, const Make& make, std::unique_lock<std::mutex>& lock);
    void keep(const Key& key, const Answer& answer);
    void forget(std::map<Key, Entry>::iterator entry);

    const size_t capacity_;
    mutable std::mutex mutex_;
    std::map<Key, Entry> entries_;
    // Most recently used first.
    std::list<Key> recency_;
    std::map<Key, std::shared_future<Answer>> making_;
    size_t bytes_ = 0;
};

} // namespace orvendi::server
