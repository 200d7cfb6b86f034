#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvendi::server {

// One HTTP answer as the routes build it.
struct Response {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // A body kept elsewhere (a cached answer) and sent from there: set
    // instead of `body`, it saves copying megabytes per request.
    std::shared_ptr<const std::string> sharedBody;
    std::string contentType;

    // Replaces any header of the same name.
    void setHeader(const std::string& name, const std::string& value);
    void setContent(std::string content, std::string type);
    void setSharedContent(std::shared_ptr<const std::string> content, std::string type);
    // Of whichever body is set.
    std::string_view bodyText() const;
    // 302 to another path of this server.
    void redirect(const std::string& location);
};

} // namespace orvendi::server
