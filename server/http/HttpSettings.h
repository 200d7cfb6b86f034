#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvendi::server {

// How the listeners treat their clients.
struct HttpSettings {
    // Both present: every listener speaks TLS with this certificate (chain) and key.
    std::optional<std::filesystem::path> tlsCertificate;
    std::optional<std::filesystem::path> tlsKey;
    // Host names (without port) the server answers for; empty: any.
    std::vector<std::string> allowedHosts;
    // Open connections one client address (an IPv6 /64) may hold at once.
    size_t connectionsPerClient = 32;
};

} // namespace orvendi::server
