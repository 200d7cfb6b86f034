#include "http/ListingCache.h"

namespace orvendi::server {

ListingCache::ListingCache(size_t capacityBytes) : capacity_(capacityBytes) {}

ListingCache::Answer ListingCache::get(const Key& key, int64_t version, const Make& make) {
    for (;;) {
        std::unique_lock lock(mutex_);
        if (Answer answer = kept(key, version)) {
            return answer;
        }
        const auto pending = making_.find(key);
        if (pending == making_.end()) {
            return makeAsTheOnlyOne(key, make, lock);
        }
        const std::shared_future<Answer> awaited = pending->second;
        lock.unlock();
        Answer answer = awaited.get();
        if (answer->version == version) {
            return answer;
        }
        // Made from other contents than this request saw: look again.
    }
}

ListingCache::Answer ListingCache::makeAsTheOnlyOne(const Key& key, const Make& make,
                                                    std::unique_lock<std::mutex>& lock) {
    std::promise<Answer> promise;
    making_.emplace(key, promise.get_future().share());
    lock.unlock();
    Answer answer;
    try {
        answer = make();
    } catch (...) {
        lock.lock();
        making_.erase(key);
        lock.unlock();
        promise.set_exception(std::current_exception());
        throw;
    }
    lock.lock();
    making_.erase(key);
    keep(key, answer);
    lock.unlock();
    promise.set_value(answer);
    return answer;
}

ListingCache::Answer ListingCache::kept(const Key& key, int64_t version) {
    const auto entry = entries_.find(key);
    if (entry == entries_.end() || entry->second.answer->version != version) {
        return nullptr;
    }
    recency_.splice(recency_.begin(), recency_, entry->second.recency);
    return entry->second.answer;
}

void ListingCache::keep(const Key& key, const Answer& answer) {
    if (const auto old = entries_.find(key); old != entries_.end()) {
        forget(old);
    }
    if (answer->bytes() > capacity_) {
        return;
    }
    recency_.push_front(key);
    entries_.emplace(key, Entry{answer, recency_.begin()});
    bytes_ += answer->bytes();
    while (bytes_ > capacity_) {
        forget(entries_.find(recency_.back()));
    }
}

void ListingCache::forget(std::map<Key, Entry>::iterator entry) {
    bytes_ -= entry->second.answer->bytes();
    recency_.erase(entry->second.recency);
    entries_.erase(entry);
}

size_t ListingCache::bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

} // namespace orvendi::server
