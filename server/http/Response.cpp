#include "http/Response.h"

#include <algorithm>
#include <strings.h>

namespace orvendi::server {

void Response::setHeader(const std::string& name, const std::string& value) {
    headers.erase(std::remove_if(headers.begin(), headers.end(),
                                 [&](const auto& entry) {
                                     return strcasecmp(entry.first.c_str(), name.c_str()) == 0;
                                 }),
                  headers.end());
    headers.emplace_back(name, value);
}

void Response::setContent(std::string content, std::string type) {
    body = std::move(content);
    sharedBody.reset();
    contentType = std::move(type);
}

void Response::setSharedContent(std::shared_ptr<const std::string> content, std::string type) {
    sharedBody = std::move(content);
    body.clear();
    contentType = std::move(type);
}

std::string_view Response::bodyText() const {
    return sharedBody ? std::string_view(*sharedBody) : std::string_view(body);
}

void Response::redirect(const std::string& location) {
    status = 302;
    setHeader("Location", location);
}

} // namespace orvendi::server
