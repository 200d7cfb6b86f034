#pragma once

#include <string>
#include <string_view>

namespace orvendi::server {

// Answers compressed for clients that send "Accept-Encoding: gzip".
namespace Gzip {
// `data` as one gzip member (RFC 1952).
std::string compress(std::string_view data);
} // namespace Gzip

} // namespace orvendi::server
