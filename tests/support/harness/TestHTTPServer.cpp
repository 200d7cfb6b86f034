#include "support/harness/TestHTTPServer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <strings.h>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace orvendi::test {

// Serves every connection on its own worker (keep-alive connections hold one
// each), counting connections as the server hands them over. The workers are
// started with the server object rather than when listening begins, so the first
// request does not wait for them (thread start-up is slow under sanitizers).
class TestHTTPServerWorkers {
public:
    static constexpr size_t kWorkers = 24;
    TestHTTPServerWorkers() : pool(kWorkers) {}
    std::atomic<size_t> connections = 0;
    httplib::ThreadPool pool;
};

namespace {

// What cpp-httplib asks for when it starts listening (and deletes after).
class CountingTaskQueue : public httplib::TaskQueue {
public:
    explicit CountingTaskQueue(std::shared_ptr<TestHTTPServerWorkers> workers)
        : workers_(std::move(workers)) {}
    void enqueue(std::function<void()> task) override {
        ++workers_->connections;
        workers_->pool.enqueue(std::move(task));
    }
    void shutdown() override { workers_->pool.shutdown(); }

private:
    std::shared_ptr<TestHTTPServerWorkers> workers_;
};

// cpp-httplib parses multipart bodies itself and never hands out their bytes;
// the recorder wants them exactly as sent, so a multipart Content-Type is
// parked under this key (never a valid header name on the wire) before the body
// is read, and restored in the record.
constexpr const char* kParkedContentType = "@parked-content-type";

// Pseudo-headers cpp-httplib adds to every request.
bool isAddedByServer(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
           name == "LOCAL_PORT";
}

RecordedRequest record(const httplib::Request& request) {
    RecordedRequest recorded;
    recorded.method = request.method;
    const auto questionMark = request.target.find('?');
    recorded.path = request.target.substr(0, questionMark);
    if (questionMark != std::string::npos) {
        recorded.hasQuery = true;
        recorded.query = request.target.substr(questionMark + 1);
    }
    for (const auto& [name, value] : request.headers) {
        if (name == kParkedContentType) {
            recorded.headers.erase("Content-Type");
            recorded.headers.emplace("Content-Type", value);
        } else if (!isAddedByServer(name) && !(strcasecmp(name.c_str(), "Content-Type") == 0 &&
                                               request.has_header(kParkedContentType))) {
            recorded.headers.emplace(name, value);
        }
    }
    recorded.body = request.body;
    recorded.remotePort = request.remote_port;
    return recorded;
}

// The local port of a socket; the server listens on IPv4 loopback only.
std::optional<uint16_t> localPortOfSocket(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        address.sin_family != AF_INET) {
        return std::nullopt;
    }
    return ntohs(address.sin_port);
}

} // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::optional<std::string> RecordedRequest::header(const std::string& name) const {
    const auto it = headers.find(name);
    if (it == headers.end()) {
        return std::nullopt;
    }
    return it->second;
}

nlohmann::json RecordedRequest::json() const {
    return nlohmann::json::parse(body, nullptr, /*allow_exceptions=*/false);
}

ScriptedResponse ScriptedResponse::json(int status, const nlohmann::json& body) {
    ScriptedResponse response;
    response.status = status;
    response.body = body.dump();
    return response;
}

ScriptedResponse ScriptedResponse::text(int status, std::string body, std::string contentType) {
    ScriptedResponse response;
    response.status = status;
    response.body = std::move(body);
    response.contentType = std::move(contentType);
    return response;
}

class TestHTTPServer::Server : public httplib::Server {};

TestHTTPServer::TestHTTPServer()
    : server_(std::make_unique<Server>()), workers_(std::make_shared<TestHTTPServerWorkers>()) {
    auto workers = workers_;
    server_->new_task_queue = [workers] { return new CountingTaskQueue(workers); };
    // Keep connections open the way a production server does, so that reuse is
    // observable; a bounded idle time still lets stray clients go.
    server_->set_keep_alive_max_count(100000);
    server_->set_keep_alive_timeout(5);
    // Headers and body leave in separate writes; without this, Nagle's algorithm
    // and the client's delayed acknowledgement add 40 ms to every answer.
    server_->set_tcp_nodelay(true);
    server_->set_read_timeout(30);
    server_->set_write_timeout(30);

    server_->set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        const std::string contentType = request.get_header_value("Content-Type");
        if (contentType.rfind("multipart/form-data", 0) == 0) {
            // The request object is not const where the server owns it; only
            // this handler's signature is. Header names compare without case.
            auto& headers = const_cast<httplib::Request&>(request).headers;
            headers.erase("Content-Type");
            headers.emplace("Content-Type", "application/octet-stream");
            headers.emplace(kParkedContentType, contentType);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        const ScriptedResponse scripted = answer(record(request), request.path);
        response.status = scripted.status;
        for (const auto& [name, value] : scripted.headers) {
            response.set_header(name, value);
        }
        if (scripted.chunks.empty()) {
            response.set_content(scripted.body, scripted.contentType);
            return;
        }
        auto next = std::make_shared<size_t>(0);
        response.set_chunked_content_provider(
            scripted.contentType, [this, scripted, next](size_t, httplib::DataSink& sink) {
                if (*next > 0 && !sleepUnlessStopping(scripted.chunkIntervalSeconds)) {
                    return false;
                }
                const std::string& chunk = scripted.chunks[*next];
                sink.write(chunk.data(), chunk.size());
                if (++*next == scripted.chunks.size()) {
                    sink.done();
                }
                return true;
            });
    };
    server_->Get(".*", serve);
    server_->Post(".*", serve);
    server_->Put(".*", serve);
    server_->Patch(".*", serve);
    server_->Delete(".*", serve);
    server_->Options(".*", serve);

    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("TestHTTPServer: cannot bind 127.0.0.1");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

TestHTTPServer::~TestHTTPServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    server_->stop();
    closeOpenConnections();
    thread_.join();
}

// Idle keep-alive connections would hold the server's workers until their idle
// time runs out; closing the server's side of them lets it stop at once.
void TestHTTPServer::closeOpenConnections() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        if (localPortOfSocket(fd) == static_cast<uint16_t>(port_)) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
}

std::string TestHTTPServer::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void TestHTTPServer::respond(const std::string& method, const std::string& path,
                             ScriptedResponse response) {
    respondInSequence(method, path, {std::move(response)});
}

void TestHTTPServer::respondInSequence(const std::string& method, const std::string& path,
                                       std::vector<ScriptedResponse> responses) {
    if (responses.empty()) {
        responses.push_back(ScriptedResponse::text(404, ""));
    }
    auto sequence = std::make_shared<const std::vector<ScriptedResponse>>(std::move(responses));
    auto next = std::make_shared<std::atomic<size_t>>(0);
    handle(method, path, [sequence, next](const RecordedRequest&) {
        return (*sequence)[std::min(next->fetch_add(1), sequence->size() - 1)];
    });
}

void TestHTTPServer::handle(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[{method, path}] = std::move(handler);
}

ScriptedResponse TestHTTPServer::answer(const RecordedRequest& request,
                                        const std::string& decodedPath) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        const auto it = routes_.find({request.method, decodedPath});
        if (it != routes_.end()) {
            handler = it->second;
        }
    }
    arrived_.notify_all();
    // Called outside the lock: a handler may wait for other requests.
    const ScriptedResponse response = handler ? handler(request) : ScriptedResponse::text(404, "");
    sleepUnlessStopping(response.delaySeconds);
    return response;
}

bool TestHTTPServer::sleepUnlessStopping(double seconds) {
    std::unique_lock lock(mutex_);
    stopped_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return stopping_; });
    return !stopping_;
}

std::vector<RecordedRequest> TestHTTPServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<RecordedRequest> TestHTTPServer::requests(const std::string& path) const {
    std::vector<RecordedRequest> matching;
    for (auto& request : requests()) {
        if (request.path == path) {
            matching.push_back(std::move(request));
        }
    }
    return matching;
}

size_t TestHTTPServer::requestCount(const std::string& path) const {
    return requests(path).size();
}

size_t TestHTTPServer::connectionsAccepted() const {
    return workers_->connections;
}

bool TestHTTPServer::waitForRequests(size_t count, double seconds) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::duration<double>(seconds),
                             [&] { return requests_.size() >= count; });
}

} // namespace orvendi::test
