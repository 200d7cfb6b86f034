#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orvendi::server {

// One HTTP answer as the routes build it.
struct Response {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string contentType;

    // Replaces any header of the same name.
    void setHeader(const std::string& name, const std::string& value);
    void setContent(std::string content, std::string type);
    // 302 to another path of this server.
    void redirect(const std::string& location);
};

} // namespace orvendi::server
