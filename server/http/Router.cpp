#include "http/Router.h"

#include <algorithm>

#include "ServiceError.h"
#include "http/JsonReply.h"
#include "platform/Log.h"

namespace orvendi::server {

Router::Router(Log& log) : log_(log) {}

void Router::get(const std::string& pattern, Handler handler) {
    add("GET", pattern, std::move(handler), 0);
}

void Router::post(const std::string& pattern, Handler handler, size_t bodyLimit, Gate gate) {
    add("POST", pattern, std::move(handler), bodyLimit, std::move(gate));
}

void Router::patch(const std::string& pattern, Handler handler, size_t bodyLimit) {
    add("PATCH", pattern, std::move(handler), bodyLimit);
}

void Router::del(const std::string& pattern, Handler handler) {
    add("DELETE", pattern, std::move(handler), 0);
}

void Router::add(std::string method, const std::string& pattern, Handler handler, size_t bodyLimit,
                 Gate gate) {
    routes_.push_back({std::move(method), pattern, std::regex(pattern), bodyLimit,
                       std::move(handler), std::move(gate)});
}

const Router::Route* Router::find(const std::string& method, const std::string& path) const {
    for (const Route& route : routes_) {
        if (route.method == method && std::regex_match(path, route.regex)) {
            return &route;
        }
    }
    return nullptr;
}

Router::Handler Router::guarded(const Route& route) const {
    return [this, route](const httplib::Request& request, httplib::Response& response) {
        try {
            if (request.body.size() > route.bodyLimit && route.bodyLimit > 0) {
                throw ServiceError(413, "The request is too large");
            }
            route.handler(request, response);
        } catch (const ServiceError& error) {
            JsonReply::error(response, error.status(), error.what());
        } catch (const std::exception& error) {
            log_.write("Error in " + request.method + " " + request.path + ": " + error.what());
            JsonReply::error(response, 500, "Internal server error");
        }
    };
}

void Router::installOn(httplib::Server& server) const {
    for (const Route& route : routes_) {
        if (route.method == "GET") {
            server.Get(route.pattern, guarded(route));
        } else if (route.method == "POST") {
            server.Post(route.pattern, guarded(route));
        } else if (route.method == "PATCH") {
            server.Patch(route.pattern, guarded(route));
        } else if (route.method == "DELETE") {
            server.Delete(route.pattern, guarded(route));
        }
    }
}

size_t Router::bodyLimitFor(const std::string& method, const std::string& path) const {
    const Route* route = find(method, path);
    return route ? route->bodyLimit : kDefaultBodyLimit;
}

void Router::admit(const httplib::Request& request) const {
    const Route* route = find(request.method, request.path);
    if (route && route->gate) {
        route->gate(request);
    }
}

size_t Router::largestBodyLimit() const {
    size_t largest = kDefaultBodyLimit;
    for (const Route& route : routes_) {
        largest = std::max(largest, route.bodyLimit);
    }
    return largest;
}

} // namespace orvendi::server
