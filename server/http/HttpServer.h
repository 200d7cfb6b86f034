#pragma once

#include <memory>
#include <optional>

#include "http/HttpSettings.h"
#include "http/ListenAddress.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

class Router;

// The listening side: one listener per address, all serving the same routes
// on one event loop, with route handlers on a pool of worker threads. Each
// request is one log line; every error answer is {"error": text}.
class HttpServer {
public:
    // Throws orvendi::Error when the TLS certificate or key cannot be loaded.
    HttpServer(const Router& router, Log& log, HttpSettings settings);
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
    struct Loop;

    const Router& router_;
    Log& log_;
    HttpSettings settings_;
    std::unique_ptr<Loop> loop_;
};

} // namespace orvendi::server
