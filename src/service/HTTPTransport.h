#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvendi {

struct HTTPRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The request fails once nothing has been sent or received for this long,
    // connecting included; a slow upload that keeps moving is never cut off.
    double timeoutSeconds = 60;
};

struct HTTPResponse {
    std::string body;
    int status = 0; // the HTTP status; 0 when no HTTP status line arrived
};

// Blocking HTTP(S) on libcurl, usable from many threads at once. A finished
// request leaves its handle, with the open connection inside, in a pool of idle
// handles; the next request to the same origin takes that handle and reuses the
// connection instead of connecting again. DNS answers and TLS sessions are shared
// between all handles.
class HTTPTransport {
public:
    // `caFile`: a PEM file of certificate authorities that https servers'
    // certificates are checked against instead of the system's.
    explicit HTTPTransport(std::optional<std::string> caFile = std::nullopt);
    ~HTTPTransport();
    HTTPTransport(const HTTPTransport&) = delete;
    HTTPTransport& operator=(const HTTPTransport&) = delete;

    // Performs one request on the calling thread. Any HTTP status is a result;
    // only a failure to get one throws TransportError with libcurl's description.
    // A body over 32 MB is such a failure: reading stops there.
    HTTPResponse perform(const HTTPRequest& request);
    // Ends every request in progress within about a second, whatever it waits
    // for, and fails every later one at once; from any thread.
    void abortAll();

private:
    struct IdleHandle {
        std::string origin;
        void* handle;
    };
    static constexpr size_t kMaxIdleHandles = 8;

    struct Shared;

    void* takeHandle(const std::string& origin);
    void returnHandle(const std::string& origin, void* handle);

    std::optional<std::string> caFile_;
    std::atomic<bool> aborted_{false};
    std::unique_ptr<Shared> shared_;
    std::mutex poolMutex_;
    std::vector<IdleHandle> idle_; // most recently returned last
};

} // namespace orvendi
