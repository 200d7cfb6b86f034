#include "AddressText.h"

#include <utility>
#include <vector>

#include <utf8proc.h>

namespace orvendi::AddressText {
namespace {

bool isSpaceOrBreak(utf8proc_int32_t codePoint) {
    if ((codePoint >= 0x09 && codePoint <= 0x0D) || codePoint == 0x85) {
        return true;
    }
    const utf8proc_category_t category = utf8proc_category(codePoint);
    return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
           category == UTF8PROC_CATEGORY_ZP;
}

// The code point starting at `offset` and its length in bytes; length 0 when
// the bytes there are not UTF-8.
std::pair<utf8proc_int32_t, size_t> codePointAt(const std::string& text, size_t offset) {
    utf8proc_int32_t codePoint = 0;
    const auto length =
        utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + offset),
                         utf8proc_ssize_t(text.size() - offset), &codePoint);
    return {codePoint, length > 0 ? size_t(length) : 0};
}

} // namespace

std::string trimmed(const std::string& typed) {
    // Split into code points once, then drop them from both ends.
    struct Piece {
        size_t offset;
        size_t length;
        bool blank;
    };
    std::vector<Piece> pieces;
    for (size_t offset = 0; offset < typed.size();) {
        const auto [codePoint, length] = codePointAt(typed, offset);
        const size_t step = length > 0 ? length : 1; // a stray byte is kept as text
        pieces.push_back({offset, step, length > 0 && isSpaceOrBreak(codePoint)});
        offset += step;
    }
    size_t first = 0;
    size_t last = pieces.size();
    while (first < last && pieces[first].blank) {
        ++first;
    }
    while (last > first && pieces[last - 1].blank) {
        --last;
    }
    if (first == last) {
        return {};
    }
    const size_t begin = pieces[first].offset;
    const size_t end = pieces[last - 1].offset + pieces[last - 1].length;
    return typed.substr(begin, end - begin);
}

} // namespace orvendi::AddressText
