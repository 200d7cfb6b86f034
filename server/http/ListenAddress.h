#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvendi::server {

// Where the service listens: a host name or address and a port (0 picks a free one).
struct ListenAddress {
    std::string host;
    int port = 0;

    // "127.0.0.1:3000", "[::1]:3000", "localhost:8080"; absent when malformed.
    static std::optional<ListenAddress> parse(std::string_view text);
    // "http://host:port", or "https://..." for a listener that speaks TLS.
    std::string url(bool tls = false) const;
    bool isLoopback() const;
};

} // namespace orvendi::server
