#include "notes/NoteTitle.h"

namespace orvendi::server::NoteTitle {

namespace {

constexpr std::string_view kBlank = " \t\r\n";
// A cut closer to the start than this keeps the partial word instead.
constexpr size_t kShortestWordCut = kMaxCharacters / 3;

std::string_view trim(std::string_view text, std::string_view characters) {
    const auto first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(characters) - first + 1);
}

bool startsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

// Byte offset of the character after the first `count` characters.
size_t offsetAfterCharacters(std::string_view text, size_t count) {
    size_t seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (startsCharacter(text[i]) && seen++ == count) {
            return i;
        }
    }
    return text.size();
}

} // namespace

std::string fromText(std::string_view cleanedText) {
    std::string_view line = trim(cleanedText, kBlank);
    line = trim(line.substr(0, line.find('\n')), kBlank);
    const size_t cut = offsetAfterCharacters(line, kMaxCharacters);
    if (cut == line.size()) {
        return std::string(line);
    }
    std::string_view head = line.substr(0, cut);
    const size_t space = head.find_last_of(' ');
    if (space != std::string_view::npos && space >= offsetAfterCharacters(head, kShortestWordCut)) {
        head = head.substr(0, space);
    }
    return std::string(trim(head, " \t,;:-"));
}

} // namespace orvendi::server::NoteTitle
