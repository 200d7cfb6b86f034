#pragma once

#include <string>

namespace orvendi::server {

// The network a client address stands for when counting requests: an IPv4
// address itself, the /64 of an IPv6 address (one host is given a whole /64
// and may rotate within it at will). IPv4-mapped IPv6 addresses count as IPv4.
namespace ClientNetwork {
// "203.0.113.7", "2001:db8:1:2::/64"; text that is no address is kept as it is.
std::string of(const std::string& clientAddress);
} // namespace ClientNetwork

} // namespace orvendi::server
