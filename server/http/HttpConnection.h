#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include "http/ConnectionLimiter.h"
#include "http/Request.h"
#include "http/Response.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

class Router;

// One client connection, from its first byte to its close: the only code that
// reads and writes HTTP on the wire. Every read has a deadline; the head of
// each request is judged before its body is read, and the body is counted as
// it arrives against its route's limit whatever its framing. A refused request
// closes the connection, so the rest of it is never read as a next request.
// Handlers run on the worker pool, never on the thread that serves the sockets.
class HttpConnection {
public:
    struct Context {
        const Router& router;
        Log& log;
        // Host names the server answers for; empty: any.
        const std::vector<std::string>& allowedHosts;
        boost::asio::thread_pool& workers;
        // Present: connections speak TLS.
        boost::asio::ssl::context* tls;
    };

    HttpConnection(const Context& context, std::string clientAddress,
                   std::unique_ptr<ConnectionLimiter::Slot> slot);

    // Serves the connection until the client leaves, a deadline passes or a
    // request is refused.
    static boost::asio::awaitable<void> serve(std::shared_ptr<HttpConnection> connection,
                                              boost::asio::ip::tcp::socket socket);

private:
    template <class Stream> boost::asio::awaitable<void> serveRequests(Stream& stream);
    template <class Stream>
    boost::asio::awaitable<bool>
    exchange(Stream& stream, boost::beast::flat_buffer& buffer,
             boost::beast::http::request_parser<boost::beast::http::empty_body>& head,
             std::chrono::steady_clock::time_point started);
    template <class Stream>
    boost::asio::awaitable<boost::beast::error_code>
    readBody(Stream& stream, boost::beast::flat_buffer& buffer,
             boost::beast::http::request_parser<boost::beast::http::string_body>& body);
    template <class Stream>
    boost::asio::awaitable<void> reply(Stream& stream, const Request& request, Response response,
                                       unsigned version, bool keepAlive,
                                       std::chrono::steady_clock::time_point started);
    boost::asio::awaitable<Response> handleOnWorker(Request& request);
    // An answer refusing the request from its head, or nothing with the most
    // body bytes it may send in `limit`.
    std::optional<Response>
    admit(const boost::beast::http::request_parser<boost::beast::http::empty_body>& parser,
          const Request& head, size_t& limit) const;
    void checkHost(const Request& head) const;
    void logRequest(const Request& request, const Response& response,
                    std::chrono::steady_clock::time_point started) const;

    const Context& context_;
    std::string clientAddress_;
    std::unique_ptr<ConnectionLimiter::Slot> slot_;
};

} // namespace orvendi::server
