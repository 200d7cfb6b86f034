#include "http/CachedAnswer.h"

#include <array>
#include <sodium.h>
#include <stdexcept>

#include "http/Gzip.h"

namespace orvendi::server {

namespace {

// 128 bits of a keyless BLAKE2b: two different bodies never share a tag in practice.
constexpr size_t kTagBytes = 16;

// Quoted, as the ETag header carries it.
std::string contentTag(const std::string& body) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
    std::array<unsigned char, kTagBytes> hash{};
    crypto_generichash(hash.data(), hash.size(),
                       reinterpret_cast<const unsigned char*>(body.data()), body.size(), nullptr,
                       0);
    std::array<char, kTagBytes * 2 + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    std::string tag;
    tag.reserve(hex.size() + 1);
    tag.append(1, '"').append(hex.data()).append(1, '"');
    return tag;
}

} // namespace

std::shared_ptr<const CachedAnswer> CachedAnswer::plain(int64_t version, std::string json) {
    auto answer = std::make_shared<CachedAnswer>();
    answer->version = version;
    answer->etag = contentTag(json);
    answer->body = std::make_shared<const std::string>(std::move(json));
    return answer;
}

std::shared_ptr<const CachedAnswer> CachedAnswer::compressed(const CachedAnswer& plain) {
    auto answer = std::make_shared<CachedAnswer>();
    answer->version = plain.version;
    // The same contents in another encoding: a tag of its own, derived from the plain one.
    answer->etag = plain.etag.substr(0, plain.etag.size() - 1) + "-gzip\"";
    answer->body = std::make_shared<const std::string>(Gzip::compress(*plain.body));
    answer->gzip = true;
    return answer;
}

} // namespace orvendi::server
