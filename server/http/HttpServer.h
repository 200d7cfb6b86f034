#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "http/ListenAddress.h"

namespace httplib {
class Server;
}

namespace orvendi {
class Log;
}

namespace orvendi::server {

class Router;

// The listening side: one listener per address, all serving the same routes.
// Each request is one log line; bodies larger than their route allows are
// refused before they are read; every error answer is {"error": text}.
class HttpServer {
public:
    HttpServer(const Router& router, Log& log);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // The address as bound (with the port chosen when 0 was asked for), or
    // absent when it cannot be bound.
    std::optional<ListenAddress> bind(const ListenAddress& address);
    // Serves every bound address until stop(). Blocks.
    void run();
    // Makes run() return soon. May be called from any thread, also before run().
    void stop();

private:
    std::unique_ptr<httplib::Server> makeListener() const;

    const Router& router_;
    Log& log_;
    std::vector<std::unique_ptr<httplib::Server>> listeners_;
    std::atomic<bool> stopping_{false};
};

} // namespace orvendi::server
