#include "http/HttpConnection.h"

#include <algorithm>

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "ServiceError.h"
#include "http/JsonReply.h"
#include "http/Router.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

namespace {

constexpr auto kAwait = asio::as_tuple(asio::use_awaitable);

// A client has this long to send a request's head (and to finish the TLS handshake)...
constexpr auto kHeadDeadline = 10s;
// ...and this long plus the time its body takes at the slowest honest rate.
constexpr auto kBodyBaseDeadline = 30s;
constexpr double kSlowestBodyBytesPerSecond = 16 * 1024;
constexpr auto kWriteDeadline = 60s;
constexpr uint32_t kHeadLimit = 16 * 1024;
// After a refusal the client may still be sending; what arrives for this long
// (up to the budget) is read and dropped so that the answer is not lost to a
// reset connection.
constexpr auto kDrainDeadline = 2s;
constexpr size_t kDrainBudget = 4 << 20;
constexpr unsigned kHttp11 = 11;

Request requestHead(const http::request<http::empty_body>& message, const std::string& client) {
    Request request;
    request.method = std::string(message.method_string());
    request.setTarget(message.target());
    for (const auto& field : message) {
        request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    }
    request.remoteAddress = client;
    return request;
}

// "name:port", "[::1]:port" or "name" as just the lowercase name.
std::string hostName(std::string host) {
    if (!host.empty() && host.front() == '[') {
        host = host.substr(1, host.find(']') - 1);
    } else if (const auto colon = host.rfind(':');
               colon != std::string::npos && host.find(':') == colon) {
        host.resize(colon);
    }
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

bool framed(const http::request_parser<http::empty_body>& head) {
    return head.chunked() || head.content_length().has_value();
}

Response errorResponse(int status, const std::string& message) {
    Response response;
    JsonReply::error(response, status, message);
    return response;
}

beast::tcp_stream& lowest(PlainStream& stream) {
    return stream;
}

beast::tcp_stream& lowest(TlsStream& stream) {
    return beast::get_lowest_layer(stream);
}

asio::awaitable<void> closeGracefully(PlainStream& stream) {
    beast::error_code ignored;
    stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    stream.expires_after(kDrainDeadline);
    char scratch[16 * 1024];
    for (size_t drained = 0; drained < kDrainBudget;) {
        auto [error, bytes] = co_await stream.async_read_some(asio::buffer(scratch), kAwait);
        if (error) {
            break;
        }
        drained += bytes;
    }
    stream.socket().close(ignored);
}

asio::awaitable<void> closeGracefully(TlsStream& stream) {
    lowest(stream).expires_after(kDrainDeadline);
    co_await stream.async_shutdown(kAwait);
    beast::error_code ignored;
    lowest(stream).socket().close(ignored);
}

} // namespace

HttpConnection::HttpConnection(const Context& context, std::string clientAddress,
                               std::unique_ptr<ConnectionLimiter::Slot> slot)
    : context_(context), clientAddress_(std::move(clientAddress)), slot_(std::move(slot)) {}

asio::awaitable<void> HttpConnection::serve(std::shared_ptr<HttpConnection> connection,
                                            asio::ip::tcp::socket socket) {
    try {
        if (!connection->context_.tls) {
            PlainStream stream(std::move(socket));
            co_await connection->serveRequests(stream);
            co_return;
        }
        TlsStream stream(std::move(socket), *connection->context_.tls);
        lowest(stream).expires_after(kHeadDeadline);
        auto [error] = co_await stream.async_handshake(asio::ssl::stream_base::server, kAwait);
        if (!error) {
            co_await connection->serveRequests(stream);
        }
    } catch (const std::exception& error) {
        connection->context_.log.write("Connection from " + connection->clientAddress_ +
                                       " ended by a failure: " + error.what());
    }
}

template <class Stream> asio::awaitable<void> HttpConnection::serveRequests(Stream& stream) {
    beast::flat_buffer buffer;
    for (;;) {
        http::request_parser<http::empty_body> head;
        head.header_limit(kHeadLimit);
        // The route's own limit applies once the head is known.
        head.body_limit(boost::none);
        lowest(stream).expires_after(kHeadDeadline);
        auto [error, bytes] = co_await http::async_read_header(stream, buffer, head, kAwait);
        const auto started = SteadyClock::now();
        if (error) {
            // Silence, a timeout or a hang-up end the connection quietly;
            // anything else was not HTTP.
            if (error != http::error::end_of_stream && error != beast::error::timeout &&
                error != http::error::partial_message && error != asio::error::connection_reset &&
                error != asio::error::eof && error != asio::ssl::error::stream_truncated) {
                Request unreadable;
                unreadable.method = "-";
                unreadable.path = "(unreadable request)";
                co_await reply(stream, unreadable, errorResponse(400, "Bad request"), kHttp11,
                               false, started);
            }
            break;
        }
        if (!co_await exchange(stream, buffer, head, started)) {
            break;
        }
    }
    co_await closeGracefully(stream);
}

// One request and its answer. False when the connection must close.
template <class Stream>
asio::awaitable<bool> HttpConnection::exchange(Stream& stream, beast::flat_buffer& buffer,
                                               http::request_parser<http::empty_body>& head,
                                               SteadyClock::time_point started) {
    Request request = requestHead(head.get(), clientAddress_);
    const unsigned version = head.get().version();
    const bool keepAlive = head.keep_alive();
    size_t limit = 0;
    if (auto refusal = admit(head, request, limit)) {
        co_await reply(stream, request, std::move(*refusal), version, false, started);
        co_return false;
    }

    if (!head.is_done()) {
        if (beast::iequals(head.get()[http::field::expect], "100-continue")) {
            http::response<http::empty_body> proceed{http::status::continue_, version};
            lowest(stream).expires_after(kWriteDeadline);
            auto [error, bytes] = co_await http::async_write(stream, proceed, kAwait);
            if (error) {
                co_return false;
            }
        }
        http::request_parser<http::string_body> body(std::move(head));
        body.body_limit(limit);
        // Reserved, not touched: pages are only used as the body arrives, and
        // the string never grows (and copies itself) on the way to its limit.
        if (body.chunked()) {
            body.get().body().reserve(limit);
        }
        const auto error = co_await readBody(stream, buffer, body);
        if (error == http::error::body_limit) {
            co_await reply(stream, request, errorResponse(413, "The request is too large"), version,
                           false, started);
            co_return false;
        }
        if (error) {
            co_return false; // too slow, or gone
        }
        request.body = std::move(body.get().body());
    }
    Response response = co_await handleOnWorker(request);
    co_await reply(stream, request, std::move(response), version, keepAlive, started);
    co_return keepAlive;
}

// Reads the rest of the body. The deadline moves with what has arrived: a
// client that keeps up the slowest honest rate is never cut off, one that
// trickles slower runs out of time.
template <class Stream>
asio::awaitable<beast::error_code>
HttpConnection::readBody(Stream& stream, beast::flat_buffer& buffer,
                         http::request_parser<http::string_body>& body) {
    const auto started = SteadyClock::now();
    double received = 0;
    while (!body.is_done()) {
        const std::chrono::duration<double> allowance(received / kSlowestBodyBytesPerSecond);
        lowest(stream).expires_at(started + kBodyBaseDeadline +
                                  std::chrono::duration_cast<SteadyClock::duration>(allowance));
        auto [error, bytes] = co_await http::async_read_some(stream, buffer, body, kAwait);
        if (error) {
            co_return error;
        }
        received += static_cast<double>(bytes);
    }
    co_return beast::error_code();
}

// The handler runs on a worker; its answer goes straight back to this
// connection's executor. (Finishing through the pool instead would queue each
// answer behind every waiting handler, so under load no answer would leave
// until all of them had run.)
asio::awaitable<Response> HttpConnection::handleOnWorker(Request& request) {
    const auto home = co_await asio::this_coro::executor;
    co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(Response)>(
        [this, &request, home](auto resume) {
            asio::post(context_.workers,
                       [this, &request, home, resume = std::move(resume)]() mutable {
                           Response response;
                           context_.router.handle(request, response);
                           asio::post(home, [resume = std::move(resume),
                                             response = std::move(response)]() mutable {
                               std::move(resume)(std::move(response));
                           });
                       });
        },
        asio::use_awaitable);
}

template <class Stream>
asio::awaitable<void> HttpConnection::reply(Stream& stream, const Request& request,
                                            Response response, unsigned version, bool keepAlive,
                                            SteadyClock::time_point started) {
    logRequest(request, response, started);
    // The body stays where it is (in `response`, alive until the write ends):
    // a cached listing of megabytes goes out without a copy.
    http::response<http::span_body<const char>> message{static_cast<http::status>(response.status),
                                                        version};
    message.set("X-Content-Type-Options", "nosniff");
    message.set("Referrer-Policy", "no-referrer");
    for (const auto& [name, value] : response.headers) {
        message.set(name, value);
    }
    if (!response.contentType.empty()) {
        message.set(http::field::content_type, response.contentType);
    }
    const std::string_view body = response.bodyText();
    message.body() = {body.data(), body.size()};
    message.keep_alive(keepAlive);
    message.prepare_payload();
    lowest(stream).expires_after(kWriteDeadline);
    co_await http::async_write(stream, message, kAwait);
}

std::optional<Response> HttpConnection::admit(const http::request_parser<http::empty_body>& parser,
                                              const Request& head, size_t& limit) const {
    try {
        checkHost(head);
        limit = context_.router.admit(head);
        if (limit > 0 && !framed(parser)) {
            throw ServiceError(411, "The request needs a Content-Length");
        }
    } catch (const ServiceError& refusal) {
        return errorResponse(refusal.status(), refusal.what());
    } catch (const std::exception&) {
        return errorResponse(400, "Bad request");
    }
    return std::nullopt;
}

void HttpConnection::checkHost(const Request& head) const {
    const auto& allowed = context_.allowedHosts;
    if (!allowed.empty() &&
        std::find(allowed.begin(), allowed.end(), hostName(head.header("Host"))) == allowed.end()) {
        throw ServiceError(421, "This server does not answer for that host name");
    }
}

void HttpConnection::logRequest(const Request& request, const Response& response,
                                SteadyClock::time_point started) const {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started).count();
    std::string what = request.method + " " + request.path;
    // A decoded path may hold line breaks; one request stays one log line.
    std::replace_if(
        what.begin(), what.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    context_.log.write(clientAddress_ + " \"" + what + "\" " + std::to_string(response.status) +
                       " " + std::to_string(response.bodyText().size()) + "B " +
                       std::to_string(millis) + "ms");
}

} // namespace orvendi::server
