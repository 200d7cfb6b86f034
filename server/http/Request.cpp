#include "http/Request.h"

#include <algorithm>
#include <strings.h>

namespace orvendi::server {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// "%41" becomes "A"; in a query "+" is a space. A malformed escape stays as written.
std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            decoded += ' ';
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

template <typename List>
std::string firstValue(const List& list, std::string_view name, bool ignoreCase) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& entry) {
        return entry.first.size() == name.size() &&
               (ignoreCase ? strncasecmp(entry.first.data(), name.data(), name.size()) == 0
                           : entry.first == name);
    });
    return it == list.end() ? std::string() : it->second;
}

} // namespace

std::string Request::header(std::string_view name) const {
    return firstValue(headers, name, true);
}

bool Request::hasHeader(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& entry) {
        return entry.first.size() == name.size() &&
               strncasecmp(entry.first.data(), name.data(), name.size()) == 0;
    });
}

std::string Request::param(std::string_view name) const {
    return firstValue(query, name, false);
}

std::string Request::mediaType() const {
    std::string type = header("Content-Type");
    type.resize(std::min(type.size(), type.find(';')));
    type.erase(type.find_last_not_of(" \t") + 1);
    type.erase(0, type.find_first_not_of(" \t"));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

void Request::setTarget(std::string_view target) {
    const auto questionMark = target.find('?');
    path = percentDecoded(target.substr(0, questionMark), false);
    query.clear();
    if (questionMark == std::string_view::npos) {
        return;
    }
    std::string_view rest = target.substr(questionMark + 1);
    while (!rest.empty()) {
        const auto ampersand = rest.find('&');
        const std::string_view pair = rest.substr(0, ampersand);
        rest =
            ampersand == std::string_view::npos ? std::string_view() : rest.substr(ampersand + 1);
        if (pair.empty()) {
            continue;
        }
        const auto equals = pair.find('=');
        query.emplace_back(percentDecoded(pair.substr(0, equals), true),
                           equals == std::string_view::npos
                               ? std::string()
                               : percentDecoded(pair.substr(equals + 1), true));
    }
}

} // namespace orvendi::server
