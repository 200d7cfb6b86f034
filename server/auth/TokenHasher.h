#pragma once

#include <string_view>

#include "base/Bytes.h"

namespace orvendi::server {

// Turns secrets (tokens, sign-in codes) into the keyed hashes the database
// keeps, so that a copy of the database alone cannot be used to sign in.
class TokenHasher {
public:
    static constexpr size_t kKeyBytes = 32;

    // `key` must hold kKeyBytes bytes.
    explicit TokenHasher(Bytes key);

    Bytes hash(std::string_view secret) const;
    // Compares two hashes in time that does not depend on where they differ.
    static bool same(const Bytes& a, const Bytes& b);

private:
    Bytes key_;
};

} // namespace orvendi::server
