#include "input/TextInsertion.h"

#include <optional>

namespace orvendi::TextInsertion {
namespace {

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// `text` with `range` replaced by `replacement`; absent when the range lies
// outside it (the field changed since the dictation began).
std::optional<std::string> spliced(const std::string& text, TextRange range,
                                   const std::string& replacement) {
    const size_t start = byteOffset(text, range.location);
    const size_t end = byteOffset(text, range.location + range.length);
    if (range.location < 0 || range.length < 0 || start == std::string::npos ||
        end == std::string::npos) {
        return std::nullopt;
    }
    return text.substr(0, start) + replacement + text.substr(end);
}

} // namespace

size_t byteOffset(const std::string& text, int64_t characters) {
    size_t offset = 0;
    for (int64_t counted = 0; counted < characters; ++counted) {
        if (offset >= text.size()) {
            return std::string::npos;
        }
        ++offset;
        while (offset < text.size() && isContinuationByte(text[offset])) {
            ++offset;
        }
    }
    return offset;
}

int64_t characterCount(const std::string& text) {
    int64_t count = 0;
    for (char byte : text) {
        count += isContinuationByte(byte) ? 0 : 1;
    }
    return count;
}

Result insert(Accessibility& accessibility, AccessibleElement& element, TextRange range,
              const std::string& text) {
    if (!accessibility.acceptsInsertedText(element)) {
        return Result::NotInserted;
    }
    const auto before = accessibility.text(element);
    const auto expected = before ? spliced(*before, range, text) : std::nullopt;
    if (!expected) {
        return Result::NotInserted;
    }
    // What the element did is read back whatever it answered: a refusal may
    // come after the selection was already deleted.
    accessibility.replaceText(element, range, text);
    const auto after = accessibility.text(element).value_or(*before);
    if (after == *before) {
        return Result::NotInserted;
    }
    if (after == spliced(*before, range, "")) {
        return Result::SelectionRemoved;
    }
    // Text that reads back otherwise was taken and changed by the element (a
    // length limit, a filter); offering it again by another route would put
    // it in twice.
    accessibility.setSelectedRange(element, {range.location + characterCount(text), 0});
    return Result::Inserted;
}

} // namespace orvendi::TextInsertion
