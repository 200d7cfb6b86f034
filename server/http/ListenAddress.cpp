#include "http/ListenAddress.h"

#include <charconv>

namespace orvendi::server {

std::optional<ListenAddress> ListenAddress::parse(std::string_view text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') {
            return std::nullopt;
        }
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return std::nullopt; // an IPv6 address needs its brackets
    }
    int port = -1;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port < 0 ||
        port > 65535) {
        return std::nullopt;
    }
    return ListenAddress{std::string(host), port};
}

std::string ListenAddress::url(bool tls) const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (tls ? "https://" : "http://") + (ipv6 ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

bool ListenAddress::isLoopback() const {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

} // namespace orvendi::server
