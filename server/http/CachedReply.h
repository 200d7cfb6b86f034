#pragma once

#include <string>

#include "http/CachedAnswer.h"
#include "http/Request.h"
#include "http/Response.h"

namespace orvendi::server {

// Kept JSON answers sent with their entity tag: "304 Not Modified" without a
// body to a client that already holds that one (If-None-Match), the body
// otherwise. A client that asks for neither revalidation nor gzip gets the
// same bytes as from JsonReply.
namespace CachedReply {
// True when the request's Accept-Encoding takes gzip ("gzip", "x-gzip" or
// "*", without q=0).
bool acceptsGzip(const Request& request);
// True when one of the request's If-None-Match tags is `etag` (weak
// comparison, so a W/ prefix does not matter) or "*".
bool holds(const Request& request, const std::string& etag);
void send(const Request& request, Response& response, const CachedAnswer& answer);
} // namespace CachedReply

} // namespace orvendi::server
