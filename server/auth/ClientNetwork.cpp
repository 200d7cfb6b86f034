#include "auth/ClientNetwork.h"

#include <arpa/inet.h>
#include <cstring>

namespace orvendi::server::ClientNetwork {

std::string of(const std::string& clientAddress) {
    in6_addr ipv6{};
    if (inet_pton(AF_INET6, clientAddress.c_str(), &ipv6) != 1) {
        return clientAddress;
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (IN6_IS_ADDR_V4MAPPED(&ipv6)) {
        in_addr ipv4{};
        std::memcpy(&ipv4, ipv6.s6_addr + 12, sizeof ipv4);
        return inet_ntop(AF_INET, &ipv4, text, sizeof text);
    }
    std::memset(ipv6.s6_addr + 8, 0, 8);
    return std::string(inet_ntop(AF_INET6, &ipv6, text, sizeof text)) + "/64";
}

} // namespace orvendi::server::ClientNetwork
