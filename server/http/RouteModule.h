#pragma once

namespace orvendi::server {

class Router;

// A group of related routes (sign-in, notes, pages, ...). The application
// creates each module once and lets it register its routes; adding a feature
// to the server is one more module in ServerApplication::registerRoutes().
class RouteModule {
public:
    virtual ~RouteModule() = default;
    virtual void registerRoutes(Router& router) = 0;
};

} // namespace orvendi::server
