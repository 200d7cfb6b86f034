#include "speech/TranscriptCleaner.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace orvendi::server::TranscriptCleaner {

namespace {

struct SpokenMark {
    std::vector<std::string_view> words;
    std::string_view mark;
};

// Longer phrases first, so that "new paragraph" wins over nothing and
// "question mark" is read as one mark.
const std::vector<SpokenMark> kSpokenMarks = {
    {{"question", "mark"}, "?"},
    {{"exclamation", "mark"}, "!"},
    {{"exclamation", "point"}, "!"},
    {{"full", "stop"}, "."},
    {{"new", "paragraph"}, "\n\n"},
    {{"new", "line"}, "\n"},
    {{"newline"}, "\n"},
    {{"comma"}, ","},
    {{"period"}, "."},
};

constexpr std::string_view kSentenceEnds = ".?!";
constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // U+2026

std::string lower(std::string_view word) {
    std::string out(word);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Words and explicit line breaks of the raw text, in order.
std::vector<std::string> tokens(std::string_view raw) {
    std::vector<std::string> out;
    std::string word;
    auto flush = [&] {
        if (!word.empty()) {
            out.push_back(word);
            word.clear();
        }
    };
    for (char c : raw) {
        if (c == '\n') {
            flush();
            out.emplace_back("\n");
        } else if (c == ' ' || c == '\t' || c == '\r') {
            flush();
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

std::optional<std::pair<std::string_view, size_t>>
spokenMarkAt(const std::vector<std::string>& words, size_t at) {
    for (const auto& spoken : kSpokenMarks) {
        if (at + spoken.words.size() > words.size()) {
            continue;
        }
        bool same = true;
        for (size_t k = 0; k < spoken.words.size() && same; ++k) {
            same = lower(words[at + k]) == spoken.words[k];
        }
        if (same) {
            return std::make_pair(spoken.mark, spoken.words.size());
        }
    }
    return std::nullopt;
}

void trimTrailingBlanks(std::string& text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
}

void appendMark(std::string& text, std::string_view mark) {
    trimTrailingBlanks(text);
    if (mark.front() == '\n') {
        text += mark;
        return;
    }
    // A sentence mark replaces a comma just before it ("yes comma period"),
    // and a repeated comma counts once.
    if (!text.empty() && text.back() == ',') {
        text.pop_back();
    }
    if (text.empty() || text.back() == '\n') {
        return; // a mark with nothing before it stands for nothing
    }
    text += mark;
    text += ' ';
}

void appendWord(std::string& text, const std::string& word) {
    if (!text.empty() && text.back() != ' ' && text.back() != '\n') {
        text += ' ';
    }
    const std::string lowered = lower(word);
    if (lowered == "i" || lowered.rfind("i'", 0) == 0) {
        text += 'I';
        text += word.substr(1);
    } else {
        text += word;
    }
}

void capitaliseSentences(std::string& text) {
    bool sentenceStart = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (sentenceStart && std::isalpha(static_cast<unsigned char>(c))) {
            text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            sentenceStart = false;
        } else if (c == '\n' || (kSentenceEnds.find(c) != std::string_view::npos &&
                                 (i + 1 == text.size() || text[i + 1] == ' '))) {
            sentenceStart = true;
        } else if (c != ' ' && c != '"' && c != '\'' && c != '(') {
            sentenceStart = false;
        }
    }
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \n") - first + 1);
}

bool endsLikeSentence(const std::string& text) {
    return kSentenceEnds.find(text.back()) != std::string_view::npos ||
           (text.size() >= kEllipsis.size() &&
            text.compare(text.size() - kEllipsis.size(), kEllipsis.size(), kEllipsis) == 0);
}

} // namespace

std::string clean(std::string_view raw) {
    const std::vector<std::string> words = tokens(raw);
    std::string text;
    for (size_t i = 0; i < words.size();) {
        if (words[i] == "\n") {
            appendMark(text, "\n");
            ++i;
        } else if (const auto spoken = spokenMarkAt(words, i)) {
            appendMark(text, spoken->first);
            i += spoken->second;
        } else {
            appendWord(text, words[i]);
            ++i;
        }
    }
    text = trimmed(text);
    if (text.empty()) {
        return text;
    }
    if (text.back() == ',' || text.back() == ';' || text.back() == ':') {
        text.back() = '.';
    } else if (!endsLikeSentence(text)) {
        text += '.';
    }
    capitaliseSentences(text);
    return text;
}

} // namespace orvendi::server::TranscriptCleaner
