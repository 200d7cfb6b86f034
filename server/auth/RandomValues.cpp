#include "auth/RandomValues.h"

#include <cstdio>
#include <sodium.h>
#include <stdexcept>

namespace orvendi::server::RandomValues {

namespace {

constexpr size_t kTokenBytes = 32;

void ensureSodium() {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
}

} // namespace

Bytes bytes(size_t count) {
    ensureSodium();
    Bytes out(count);
    randombytes_buf(out.data(), out.size());
    return out;
}

std::string token() {
    const Bytes raw = bytes(kTokenBytes);
    std::string text(
        sodium_base64_ENCODED_LEN(raw.size(), sodium_base64_VARIANT_URLSAFE_NO_PADDING), '\0');
    sodium_bin2base64(text.data(), text.size(), raw.data(), raw.size(),
                      sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    text.resize(text.find('\0'));
    return text;
}

std::string sixDigitCode() {
    ensureSodium();
    char text[8];
    std::snprintf(text, sizeof text, "%06u", static_cast<unsigned>(randombytes_uniform(1'000'000)));
    return text;
}

std::string uuid() {
    Bytes raw = bytes(16);
    raw[6] = static_cast<uint8_t>((raw[6] & 0x0f) | 0x40); // version 4
    raw[8] = static_cast<uint8_t>((raw[8] & 0x3f) | 0x80); // RFC 4122 variant
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += kHex[raw[i] >> 4];
        text += kHex[raw[i] & 0x0f];
    }
    return text;
}

} // namespace orvendi::server::RandomValues
