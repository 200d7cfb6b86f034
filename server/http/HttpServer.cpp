#include "http/HttpServer.h"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "base/Error.h"
#include "http/ConnectionLimiter.h"
#include "http/HttpConnection.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace asio = boost::asio;
using asio::ip::tcp;

namespace {

// Handlers that block (speech recognition, password hashing, the database)
// run here, so a slow one never holds up the sockets.
constexpr size_t kWorkerThreads = 16;
constexpr int kListenBacklog = 1024;
// Out of file descriptors: wait for connections to close instead of spinning.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

std::unique_ptr<asio::ssl::context> tlsContext(const HttpSettings& settings) {
    if (!settings.tlsCertificate || !settings.tlsKey) {
        return nullptr;
    }
    auto context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    context->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                         asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                         asio::ssl::context::no_tlsv1_1 | asio::ssl::context::single_dh_use);
    boost::system::error_code error;
    context->use_certificate_chain_file(settings.tlsCertificate->string(), error);
    if (error) {
        throw Error("Cannot use the TLS certificate " + settings.tlsCertificate->string() + ": " +
                    error.message());
    }
    context->use_private_key_file(settings.tlsKey->string(), asio::ssl::context::pem, error);
    if (error) {
        throw Error("Cannot use the TLS key " + settings.tlsKey->string() + ": " + error.message());
    }
    return context;
}

} // namespace

// Declared in the order they must be destroyed last-first: connections (in
// the event loop) give back their limiter slots and refer to the workers.
struct HttpServer::Loop {
    ConnectionLimiter limiter;
    std::unique_ptr<asio::ssl::context> tls;
    asio::thread_pool workers{kWorkerThreads};
    HttpConnection::Context context;
    asio::io_context io{1};
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors;

    Loop(const Router& router, Log& log, const HttpSettings& settings)
        : limiter(settings.connectionsPerClient),
          tls(tlsContext(settings)), context{router, log, settings.allowedHosts, workers,
                                             tls.get()} {}

    asio::awaitable<void> accept(tcp::acceptor& acceptor) {
        constexpr auto kAwait = asio::as_tuple(asio::use_awaitable);
        for (;;) {
            auto [error, socket] = co_await acceptor.async_accept(kAwait);
            if (error == asio::error::operation_aborted) {
                co_return;
            }
            if (error) {
                asio::steady_timer pause(io, kAcceptPause);
                co_await pause.async_wait(kAwait);
                continue;
            }
            boost::system::error_code ignored;
            const std::string address = socket.remote_endpoint(ignored).address().to_string();
            auto slot = limiter.tryAcquire(address);
            if (!slot) {
                // Closed unanswered: the client has its share of connections open already.
                socket.close(ignored);
                continue;
            }
            auto connection = std::make_shared<HttpConnection>(context, address, std::move(slot));
            asio::co_spawn(io, HttpConnection::serve(std::move(connection), std::move(socket)),
                           asio::detached);
        }
    }
};

HttpServer::HttpServer(const Router& router, Log& log, HttpSettings settings)
    : router_(router), log_(log), settings_(std::move(settings)),
      loop_(std::make_unique<Loop>(router_, log_, settings_)) {}

HttpServer::~HttpServer() {
    stop();
}

std::optional<ListenAddress> HttpServer::bind(const ListenAddress& address) {
    boost::system::error_code error;
    tcp::resolver resolver(loop_->io);
    const auto endpoints =
        resolver.resolve(address.host, std::to_string(address.port), tcp::resolver::passive, error);
    if (error || endpoints.empty()) {
        return std::nullopt;
    }
    const tcp::endpoint endpoint = endpoints.begin()->endpoint();
    auto acceptor = std::make_unique<tcp::acceptor>(loop_->io);
    acceptor->open(endpoint.protocol(), error);
    if (!error) {
        acceptor->set_option(tcp::acceptor::reuse_address(true), error);
    }
    if (!error && endpoint.address().is_v6()) {
        acceptor->set_option(asio::ip::v6_only(true), error);
    }
    if (!error) {
        acceptor->bind(endpoint, error);
    }
    if (!error) {
        acceptor->listen(kListenBacklog, error);
    }
    if (error) {
        return std::nullopt;
    }
    ListenAddress bound = address;
    bound.port = acceptor->local_endpoint().port();
    loop_->acceptors.push_back(std::move(acceptor));
    return bound;
}

void HttpServer::run() {
    for (auto& acceptor : loop_->acceptors) {
        asio::co_spawn(loop_->io, loop_->accept(*acceptor), asio::detached);
    }
    loop_->io.run();
    // Handlers still running refer to requests kept by the loop's connections.
    loop_->workers.stop();
    loop_->workers.join();
}

void HttpServer::stop() {
    loop_->io.stop();
}

} // namespace orvendi::server
