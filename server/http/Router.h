#pragma once

#include <cstddef>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <httplib.h>

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
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    // Decides from the head of a request, before its body is read, whether it
    // may send the body at all (for large uploads); throws ServiceError if not.
    using Gate = std::function<void(const httplib::Request&)>;

    static constexpr size_t kDefaultBodyLimit = 1 << 20; // 1 MiB

    explicit Router(Log& log);

    void get(const std::string& pattern, Handler handler);
    void post(const std::string& pattern, Handler handler, size_t bodyLimit = kDefaultBodyLimit,
              Gate gate = {});
    void patch(const std::string& pattern, Handler handler, size_t bodyLimit = kDefaultBodyLimit);
    void del(const std::string& pattern, Handler handler);

    void installOn(httplib::Server& server) const;
    // The largest request body the route of this method and path accepts.
    size_t bodyLimitFor(const std::string& method, const std::string& path) const;
    // Runs the gate of the request's route, if it has one.
    void admit(const httplib::Request& request) const;
    // The largest body any route accepts.
    size_t largestBodyLimit() const;

private:
    struct Route {
        std::string method;
        std::string pattern;
        std::regex regex;
        size_t bodyLimit;
        Handler handler;
        Gate gate;
    };

    void add(std::string method, const std::string& pattern, Handler handler, size_t bodyLimit,
             Gate gate = {});
    const Route* find(const std::string& method, const std::string& path) const;
    Handler guarded(const Route& route) const;

    Log& log_;
    std::vector<Route> routes_;
};

} // namespace orvendi::server
