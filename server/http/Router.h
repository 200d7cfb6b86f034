#pragma once

#include <cstddef>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "http/Request.h"
#include "http/Response.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

// The table of routes shared by every listening address. Patterns are
// regular expressions over the path; groups reach the handler as
// request.matches. Every handler runs guarded: a ServiceError becomes its
// status with {"error": message}, anything else a logged 500.
class Router {
public:
    using Handler = std::function<void(const Request&, Response&)>;
    // Decides from the head of a request, before its body is read, whether it
    // may send the body at all (for large uploads); throws ServiceError if not.
    using Gate = std::function<void(const Request&)>;
    // What a route's body must be; the head of a request that says otherwise
    // is refused before the body is read.
    enum class Body { None, Json, Multipart };

    static constexpr size_t kDefaultBodyLimit = 1 << 20; // 1 MiB

    explicit Router(Log& log);

    void get(const std::string& pattern, Handler handler);
    void post(const std::string& pattern, Handler handler, size_t bodyLimit = kDefaultBodyLimit,
              Gate gate = {}, Body body = Body::Json);
    void patch(const std::string& pattern, Handler handler, size_t bodyLimit = kDefaultBodyLimit);
    void del(const std::string& pattern, Handler handler);

    // Judges a request from its head alone: the route exists, its declared
    // length fits, the body's type is the route's, the route's gate lets it in.
    // Returns the most body bytes the request may then send; throws
    // ServiceError otherwise.
    size_t admit(const Request& head) const;
    // Runs the request's route, whose body has been read in full.
    void handle(Request& request, Response& response) const;

private:
    struct Route {
        std::string method;
        std::regex regex;
        size_t bodyLimit;
        Body body;
        Handler handler;
        Gate gate;
    };

    void add(std::string method, const std::string& pattern, Handler handler, size_t bodyLimit,
             Body body, Gate gate = {});
    const Route& find(const Request& request) const;
    void checkBodyType(const Route& route, const Request& head) const;

    Log& log_;
    std::vector<Route> routes_;
};

} // namespace orvendi::server
