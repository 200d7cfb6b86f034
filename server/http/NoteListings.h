#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "http/CachedAnswer.h"
#include "http/ListingCache.h"

namespace orvendi::server {

class NoteStore;

// The answers of GET /api/notes: reused while the user's notes have not
// changed (the store's version tells, whoever wrote to the database), made
// from the store otherwise, and compressed once for the clients that take
// gzip.
class NoteListings {
public:
    NoteListings(NoteStore& notes, ListingCache& cache);

    std::shared_ptr<const CachedAnswer> answer(int64_t userId, std::optional<int64_t> sinceMs,
                                               bool full, bool gzip);

private:
    std::shared_ptr<const CachedAnswer> answer(const ListingCache::Key& key, int64_t version);
    std::shared_ptr<const CachedAnswer> make(const ListingCache::Key& key, int64_t version);

    NoteStore& notes_;
    ListingCache& cache_;
};

} // namespace orvendi::server
