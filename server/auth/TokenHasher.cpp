#include "auth/TokenHasher.h"

#include <sodium.h>
#include <stdexcept>

namespace orvendi::server {

namespace {
constexpr size_t kHashBytes = 32;
} // namespace

TokenHasher::TokenHasher(Bytes key) : key_(std::move(key)) {
    if (sodium_init() < 0 || key_.size() != kKeyBytes) {
        throw std::invalid_argument("TokenHasher needs libsodium and a 32-byte key");
    }
}

Bytes TokenHasher::hash(std::string_view secret) const {
    Bytes out(kHashBytes);
    crypto_generichash(out.data(), out.size(), reinterpret_cast<const uint8_t*>(secret.data()),
                       secret.size(), key_.data(), key_.size());
    return out;
}

bool TokenHasher::same(const Bytes& a, const Bytes& b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace orvendi::server
