#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace orvendi::test {

class TestHTTPServerWorkers;

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// One request as it reached the server.
struct RecordedRequest {
    std::string method;
    std::string path;  // as sent, still percent-encoded, without the query
    std::string query; // the text after "?" as sent; empty when there was none
    bool hasQuery = false;
    std::multimap<std::string, std::string, CaseInsensitiveLess> headers;
    std::string body;   // the raw bytes, multipart bodies included
    int remotePort = 0; // the client's port: one per connection

    std::optional<std::string> header(const std::string& name) const;
    // The body as JSON; a discarded value when it does not parse.
    nlohmann::json json() const;
};

// What the server answers.
struct ScriptedResponse {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    double delaySeconds = 0; // waited before answering (cut short when the server stops)
    // When not empty, the body is sent in these pieces with chunked encoding,
    // `chunkIntervalSeconds` apart; `body` is then ignored.
    std::vector<std::string> chunks;
    double chunkIntervalSeconds = 0;

    static ScriptedResponse json(int status, const nlohmann::json& body);
    static ScriptedResponse text(int status, std::string body,
                                 std::string contentType = "text/plain");
};

// A real HTTP/1.1 server (cpp-httplib) on 127.0.0.1 with an ephemeral port,
// answering each route (method and decoded path, without query) from a script,
// and recording every request and every accepted connection. Routes without a
// script answer 404 with an empty body. All methods are safe from any thread.
class TestHTTPServer {
public:
    using Handler = std::function<ScriptedResponse(const RecordedRequest&)>;

    TestHTTPServer(); // listening when it returns
    ~TestHTTPServer();
    TestHTTPServer(const TestHTTPServer&) = delete;
    TestHTTPServer& operator=(const TestHTTPServer&) = delete;

    int port() const { return port_; }
    std::string url() const; // "http://127.0.0.1:<port>", no trailing slash

    // Every request to the route gets `response` (replacing an earlier script).
    void respond(const std::string& method, const std::string& path, ScriptedResponse response);
    // The responses in order; the last one repeats once the list is used up.
    void respondInSequence(const std::string& method, const std::string& path,
                           std::vector<ScriptedResponse> responses);
    void handle(const std::string& method, const std::string& path, Handler handler);

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requests(const std::string& path) const;
    size_t requestCount(const std::string& path) const;
    // TCP connections accepted since the server started.
    size_t connectionsAccepted() const;
    // Waits (real time) until `count` requests have arrived; false on timeout.
    bool waitForRequests(size_t count, double seconds = 10) const;

private:
    class Server;

    ScriptedResponse answer(const RecordedRequest& request, const std::string& decodedPath);
    bool sleepUnlessStopping(double seconds);
    void closeOpenConnections();

    std::unique_ptr<Server> server_;
    std::thread thread_;
    int port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::map<std::pair<std::string, std::string>, Handler> routes_;
    std::vector<RecordedRequest> requests_;
    bool stopping_ = false;
    std::condition_variable stopped_;
    std::shared_ptr<TestHTTPServerWorkers> workers_;
};

} // namespace orvendi::test
