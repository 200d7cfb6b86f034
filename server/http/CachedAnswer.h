#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvendi::server {

// One JSON answer kept for reuse: its body (as is, or gzip-compressed), its
// entity tag and the version of the data it was made from. Immutable once
// made, so any number of requests may send it at once.
struct CachedAnswer {
    int64_t version = 0;
    // Shared with the responses that send it, which then copy nothing.
    std::shared_ptr<const std::string> body;
    // Quoted, as the ETag header carries it; different for every body and
    // for its compressed form.
    std::string etag;
    bool gzip = false;

    static std::shared_ptr<const CachedAnswer> plain(int64_t version, std::string json);
    static std::shared_ptr<const CachedAnswer> compressed(const CachedAnswer& plain);
    // What it costs to keep.
    size_t bytes() const { return body->size() + etag.size() + sizeof(CachedAnswer); }
};

} // namespace orvendi::server
