#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvendi::server {

// One HTTP request as the routes see it, whatever library read it off the wire.
struct Request {
    std::string method;
    // Without the query string, percent-decoded.
    std::string path;
    std::vector<std::pair<std::string, std::string>> query;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The client's address as text ("127.0.0.1", "::1").
    std::string remoteAddress;
    // The route pattern's groups: [0] is the whole path.
    std::vector<std::string> matches;

    // The first header of this name (any case), empty when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
    // The first query parameter of this name, empty when absent.
    std::string param(std::string_view name) const;
    // The media type of Content-Type, lowercase and without parameters.
    std::string mediaType() const;

    // Splits "path?query" into path and parameters, percent-decoding both.
    void setTarget(std::string_view target);
};

} // namespace orvendi::server
