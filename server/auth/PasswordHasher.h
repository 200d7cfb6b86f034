#pragma once

#include <string>
#include <string_view>

namespace orvendi::server {

// Memory-hard password hashes (argon2id), in libsodium's self-describing text form.
namespace PasswordHasher {
std::string hash(std::string_view password);
bool verify(const std::string& storedHash, std::string_view password);
// Spends the same effort as a verification, so that answers about unknown
// accounts take as long as answers about known ones.
void verifyNothing(std::string_view password);
} // namespace PasswordHasher

} // namespace orvendi::server
