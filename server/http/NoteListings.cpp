#include "http/NoteListings.h"

#include "http/NoteJson.h"
#include "storage/NoteStore.h"

namespace orvendi::server {

NoteListings::NoteListings(NoteStore& notes, ListingCache& cache) : notes_(notes), cache_(cache) {}

std::shared_ptr<const CachedAnswer>
NoteListings::answer(int64_t userId, std::optional<int64_t> sinceMs, bool full, bool gzip) {
    const ListingCache::Key key{userId, sinceMs, full, gzip};
    return answer(key, notes_.version(userId));
}

std::shared_ptr<const CachedAnswer> NoteListings::answer(const ListingCache::Key& key,
                                                         int64_t version) {
    return cache_.get(key, version, [&] { return make(key, version); });
}

std::shared_ptr<const CachedAnswer> NoteListings::make(const ListingCache::Key& key,
                                                       int64_t version) {
    if (key.gzip) {
        ListingCache::Key plain = key;
        plain.gzip = false;
        return CachedAnswer::compressed(*answer(plain, version));
    }
    // The notes and the version they are at come from one snapshot, so a
    // write committed while the listing is made gives it another version,
    // never this listing.
    const NoteStore::Listing listing = notes_.listing(key.userId, key.sinceMs, key.full);
    return CachedAnswer::plain(listing.version,
                               key.full ? NoteJson::fullList(listing.notes, listing.related)
                                        : NoteJson::summaries(listing.notes));
}

} // namespace orvendi::server
