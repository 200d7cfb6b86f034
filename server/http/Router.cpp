#include "http/Router.h"

#include "ServiceError.h"
#include "http/JsonReply.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace {

// Only the identity encoding: a compressed body would outgrow the byte budget
// it was admitted with once decoded.
void refuseEncodedBodies(const Request& head) {
    const std::string encoding = head.header("Content-Encoding");
    if (!encoding.empty() && encoding != "identity") {
        throw ServiceError(415, "Compressed request bodies are not accepted");
    }
}

void refuseTooLarge(const Request& head, size_t limit) {
    const std::string length = head.header("Content-Length");
    if (!length.empty() && (length.size() > 19 || std::stoull(length) > limit)) {
        throw ServiceError(413, "The request is too large");
    }
}

} // namespace

Router::Router(Log& log) : log_(log) {}

void Router::get(const std::string& pattern, Handler handler) {
    add("GET", pattern, std::move(handler), 0, Body::None);
}

void Router::post(const std::string& pattern, Handler handler, size_t bodyLimit, Gate gate,
                  Body body) {
    add("POST", pattern, std::move(handler), bodyLimit, body, std::move(gate));
}

void Router::patch(const std::string& pattern, Handler handler, size_t bodyLimit) {
    add("PATCH", pattern, std::move(handler), bodyLimit, Body::Json);
}

void Router::del(const std::string& pattern, Handler handler) {
    add("DELETE", pattern, std::move(handler), 0, Body::None);
}

void Router::add(std::string method, const std::string& pattern, Handler handler, size_t bodyLimit,
                 Body body, Gate gate) {
    routes_.push_back({std::move(method), std::regex(pattern), bodyLimit, body, std::move(handler),
                       std::move(gate)});
}

const Router::Route& Router::find(const Request& request) const {
    bool pathKnown = false;
    for (const Route& route : routes_) {
        if (std::regex_match(request.path, route.regex)) {
            if (route.method == request.method) {
                return route;
            }
            pathKnown = true;
        }
    }
    if (pathKnown) {
        throw ServiceError(405, "Method not allowed");
    }
    throw ServiceError(404, "Not found");
}

void Router::checkBodyType(const Route& route, const Request& head) const {
    const bool hasBody = head.header("Content-Length") != "0" &&
                         (head.hasHeader("Content-Length") || head.hasHeader("Transfer-Encoding"));
    if (route.body == Body::None) {
        if (hasBody) {
            throw ServiceError(413, "The request is too large");
        }
        return;
    }
    refuseEncodedBodies(head);
    const std::string expected =
        route.body == Body::Json ? "application/json" : "multipart/form-data";
    if (head.mediaType() != expected) {
        throw ServiceError(415, "Send the request body as " + expected);
    }
}

// Who may send comes before what they send: an unauthorised upload hears 401
// whatever its type.
size_t Router::admit(const Request& head) const {
    const Route& route = find(head);
    refuseTooLarge(head, route.bodyLimit);
    if (route.gate) {
        route.gate(head);
    }
    checkBodyType(route, head);
    return route.bodyLimit;
}

void Router::handle(Request& request, Response& response) const {
    try {
        const Route& route = find(request);
        std::smatch groups;
        std::regex_match(request.path, groups, route.regex);
        request.matches.assign(groups.begin(), groups.end());
        route.handler(request, response);
    } catch (const ServiceError& error) {
        JsonReply::error(response, error.status(), error.what());
    } catch (const std::exception& error) {
        log_.write("Error in " + request.method + " " + request.path + ": " + error.what());
        JsonReply::error(response, 500, "Internal server error");
    }
}

} // namespace orvendi::server
