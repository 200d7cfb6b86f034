#include "auth/EmailAddress.h"

#include <algorithm>
#include <cctype>

namespace orvendi::server::EmailAddress {

namespace {

constexpr size_t kMaxAddressLength = 254;
constexpr size_t kMaxLocalPartLength = 64;
constexpr std::string_view kLocalPunctuation = "!#$%&'*+-=?^_`{|}~.";

bool isLocalCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           kLocalPunctuation.find(c) != std::string_view::npos;
}

bool validLocalPart(std::string_view local) {
    return !local.empty() && local.size() <= kMaxLocalPartLength && local.front() != '.' &&
           local.back() != '.' && local.find("..") == std::string_view::npos &&
           std::all_of(local.begin(), local.end(), isLocalCharacter);
}

bool validLabel(std::string_view label) {
    return !label.empty() && label.size() <= 63 && label.front() != '-' && label.back() != '-' &&
           std::all_of(label.begin(), label.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
           });
}

bool validDomain(std::string_view domain) {
    if (domain == "localhost") {
        return true;
    }
    if (domain.find('.') == std::string_view::npos) {
        return false;
    }
    size_t start = 0;
    while (true) {
        const size_t dot = domain.find('.', start);
        if (!validLabel(domain.substr(start, dot - start))) {
            return false;
        }
        if (dot == std::string_view::npos) {
            return true;
        }
        start = dot + 1;
    }
}

} // namespace

std::optional<std::string> normalize(std::string_view address) {
    const auto first = address.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    address = address.substr(first, address.find_last_not_of(" \t\r\n") - first + 1);
    std::string lower(address);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find('@');
    if (lower.size() > kMaxAddressLength || at == std::string::npos ||
        lower.find('@', at + 1) != std::string::npos) {
        return std::nullopt;
    }
    const std::string_view view(lower);
    if (!validLocalPart(view.substr(0, at)) || !validDomain(view.substr(at + 1))) {
        return std::nullopt;
    }
    return lower;
}

} // namespace orvendi::server::EmailAddress
