#include "auth/PasswordHasher.h"

#include <mutex>
#include <sodium.h>
#include <stdexcept>

namespace orvendi::server::PasswordHasher {

std::string hash(std::string_view password) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        throw std::runtime_error("Not enough memory to hash a password");
    }
    return out;
}

bool verify(const std::string& storedHash, std::string_view password) {
    return crypto_pwhash_str_verify(storedHash.c_str(), password.data(), password.size()) == 0;
}

void verifyNothing(std::string_view password) {
    static std::once_flag once;
    static std::string decoy;
    std::call_once(once, [] { decoy = hash("orvendi decoy password"); });
    verify(decoy, password);
}

} // namespace orvendi::server::PasswordHasher
