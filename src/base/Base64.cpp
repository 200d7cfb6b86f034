#include "base/Base64.h"

#include <cstdint>

namespace orvendi::Base64 {

std::string encode(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t available = bytes.size() - i;
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (available > 1) {
            group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        }
        if (available > 2) {
            group |= static_cast<uint8_t>(bytes[i + 2]);
        }
        text += kAlphabet[(group >> 18) & 0x3f];
        text += kAlphabet[(group >> 12) & 0x3f];
        text += available > 1 ? kAlphabet[(group >> 6) & 0x3f] : '=';
        text += available > 2 ? kAlphabet[group & 0x3f] : '=';
    }
    return text;
}

} // namespace orvendi::Base64
