#include "http/HttpServer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <httplib.h>

#include "ServiceError.h"
#include "http/JsonReply.h"
#include "http/Router.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace {

// Connections are served by a fixed pool; a keep-alive connection holds its
// worker until it goes quiet.
constexpr size_t kWorkerThreads = 16;
constexpr time_t kReadTimeoutSeconds = 30;
constexpr time_t kWriteTimeoutSeconds = 30;
constexpr auto kStopPollInterval = std::chrono::milliseconds(50);

// When the current request on this worker began; unset for requests that
// failed before routing.
thread_local std::optional<std::chrono::steady_clock::time_point> requestStart;

std::string defaultMessage(int status) {
    switch (status) {
    case 400:
        return "Bad request";
    case 404:
        return "Not found";
    case 405:
        return "Method not allowed";
    case 413:
        return "The request is too large";
    case 414:
        return "The address is too long";
    case 500:
        return "Internal server error";
    default:
        return "HTTP " + std::to_string(status);
    }
}

std::optional<uint64_t> declaredLength(const httplib::Request& request) {
    const std::string text = request.get_header_value("Content-Length");
    if (text.empty()) {
        return std::nullopt;
    }
    try {
        return std::stoull(text);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

HttpServer::HttpServer(const Router& router, Log& log) : router_(router), log_(log) {}

HttpServer::~HttpServer() {
    stop();
}

std::unique_ptr<httplib::Server> HttpServer::makeListener() const {
    auto server = std::make_unique<httplib::Server>();
    server->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    router_.installOn(*server);
    server->set_payload_max_length(router_.largestBodyLimit());
    server->set_read_timeout(kReadTimeoutSeconds);
    server->set_write_timeout(kWriteTimeoutSeconds);
    server->set_default_headers(
        {{"X-Content-Type-Options", "nosniff"}, {"Referrer-Policy", "no-referrer"}});

    auto tooLarge = [this](const httplib::Request& request) {
        const auto length = declaredLength(request);
        return length && *length > router_.bodyLimitFor(request.method, request.path);
    };
    // The head of a request decides whether its body is wanted: too large, or
    // refused by the route's gate (an upload without a valid session).
    auto refusal = [this,
                    tooLarge](const httplib::Request& request) -> std::optional<ServiceError> {
        if (tooLarge(request)) {
            return ServiceError(413, defaultMessage(413));
        }
        try {
            router_.admit(request);
        } catch (const ServiceError& error) {
            return error;
        }
        return std::nullopt;
    };
    // A client that asks first is told before it sends the body at all.
    server->set_expect_100_continue_handler(
        [refusal](const httplib::Request& request, httplib::Response& response) {
            if (const auto refused = refusal(request)) {
                JsonReply::error(response, refused->status(), refused->what());
                return refused->status();
            }
            return 100;
        });
    server->set_pre_routing_handler(
        [refusal](const httplib::Request& request, httplib::Response& response) {
            requestStart = std::chrono::steady_clock::now();
            if (const auto refused = refusal(request)) {
                JsonReply::error(response, refused->status(), refused->what());
                response.set_header("Connection", "close");
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
    // Errors the library answers by itself (unknown route, unreadable request)
    // get the same JSON form as the routes' own.
    const httplib::Server::HandlerWithResponse jsonErrors = [](const httplib::Request&,
                                                               httplib::Response& response) {
        if (!response.body.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        JsonReply::error(response, response.status, defaultMessage(response.status));
        return httplib::Server::HandlerResponse::Handled;
    };
    server->set_error_handler(jsonErrors);
    server->set_exception_handler(
        [this](const httplib::Request& request, httplib::Response& response, std::exception_ptr) {
            log_.write("Unexpected failure in " + request.method + " " + request.path);
            JsonReply::error(response, 500, defaultMessage(500));
        });
    server->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        std::string elapsed = "-";
        if (requestStart) {
            const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - *requestStart)
                                    .count();
            elapsed = std::to_string(millis) + "ms";
            requestStart.reset();
        }
        // A request the library could not read has neither method nor client.
        std::string what =
            request.method.empty() ? "(unreadable request)" : request.method + " " + request.path;
        // A decoded path may hold line breaks; one request stays one log line.
        std::replace_if(
            what.begin(), what.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; },
            '?');
        const std::string client = request.remote_addr.empty() ? "-" : request.remote_addr;
        log_.write(client + " \"" + what + "\" " + std::to_string(response.status) + " " +
                   std::to_string(response.body.size()) + "B " + elapsed);
    });
    return server;
}

std::optional<ListenAddress> HttpServer::bind(const ListenAddress& address) {
    auto listener = makeListener();
    ListenAddress bound = address;
    if (address.port == 0) {
        bound.port = listener->bind_to_any_port(address.host);
        if (bound.port <= 0) {
            return std::nullopt;
        }
    } else if (!listener->bind_to_port(address.host, address.port)) {
        return std::nullopt;
    }
    listeners_.push_back(std::move(listener));
    return bound;
}

void HttpServer::run() {
    std::atomic<size_t> finished{0};
    std::vector<std::thread> threads;
    for (auto& listener : listeners_) {
        threads.emplace_back([&listener, &finished] {
            listener->listen_after_bind();
            ++finished;
        });
    }
    // A stop asked for before a listener was running would be lost inside the
    // library; asking again until every listener has ended makes it stick.
    while (finished < threads.size()) {
        if (stopping_) {
            for (auto& listener : listeners_) {
                listener->stop();
            }
        }
        std::this_thread::sleep_for(kStopPollInterval);
    }
    for (auto& thread : threads) {
        thread.join();
    }
}

void HttpServer::stop() {
    stopping_ = true;
}

} // namespace orvendi::server
