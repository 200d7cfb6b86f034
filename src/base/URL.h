#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi {

// An absolute address or a relative reference, split into its parts (RFC 3986).
// Scheme and host are kept in lower case, as browsers compare them.
struct URL {
    std::string scheme; // empty for a relative reference
    std::optional<std::string> userinfo;
    std::optional<std::string> host; // absent without an authority; IPv6 without brackets
    std::optional<int> port;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    // Absent when the text does not form a URL (blanks, control characters,
    // characters URLs never carry, a malformed authority).
    static std::optional<URL> parse(std::string_view text);

    // The reference resolved against this (absolute) URL.
    std::optional<URL> resolve(std::string_view reference) const;

    // The port the scheme uses when none is given (http 80, https 443).
    static std::optional<int> defaultPort(const std::string& scheme);

    // The host as it appears in an address (IPv6 literals in brackets).
    std::string hostForAddress() const;

    std::string toString() const;
};

} // namespace orvendi
