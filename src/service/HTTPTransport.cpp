#include "service/HTTPTransport.h"

#include <array>
#include <chrono>
#include <cmath>
#include <strings.h>

#include <curl/curl.h>

#include "service/APIClient.h"

namespace orvendi {
namespace {

using Clock = std::chrono::steady_clock;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// "scheme://host:port" of a URL, the key under which idle connections are kept.
std::string originOf(const std::string& url) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) {
        return url;
    }
    const auto authorityEnd = url.find_first_of("/?#", schemeEnd + 3);
    return url.substr(0, authorityEnd);
}

// Far more than any answer of the backend (a transcript, a page of notes); a
// server that sends more is broken or hostile, and the body would otherwise
// grow until the process runs out of memory.
constexpr size_t kMaxResponseBytes = size_t(32) << 20;

// Collects the body up to the limit; past it the transfer is abandoned.
struct BodySink {
    std::string& body;
    bool overflowed = false;

    static size_t append(char* data, size_t size, size_t count, void* sink) {
        auto& self = *static_cast<BodySink*>(sink);
        const size_t length = size * count;
        if (length > kMaxResponseBytes - self.body.size()) {
            self.overflowed = true;
            return CURL_WRITEFUNC_ERROR;
        }
        self.body.append(data, length);
        return length;
    }
};

// Watches the byte counters: the transfer is abandoned only when neither has
// moved for the whole timeout, so a long upload on a slow link goes on as long
// as it makes progress. libcurl calls it at least about once a second, also
// while nothing moves, which is also when an abort of the transport is noticed.
struct StallWatch {
    std::chrono::duration<double> limit;
    const std::atomic<bool>& aborted;
    Clock::time_point lastMovement = Clock::now();
    curl_off_t downloaded = 0;
    curl_off_t uploaded = 0;
    bool stalled = false;

    static int onProgress(void* watch, curl_off_t, curl_off_t downloaded, curl_off_t,
                          curl_off_t uploaded) {
        auto& self = *static_cast<StallWatch*>(watch);
        if (self.aborted) {
            return 1; // abort the transfer
        }
        const auto now = Clock::now();
        if (downloaded != self.downloaded || uploaded != self.uploaded) {
            self.downloaded = downloaded;
            self.uploaded = uploaded;
            self.lastMovement = now;
            return 0;
        }
        if (now - self.lastMovement > self.limit) {
            self.stalled = true;
            return 1; // abort the transfer
        }
        return 0;
    }
};

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const std::string& line) { list = curl_slist_append(list, line.c_str()); }
};

bool hasHeader(const HTTPRequest& request, const char* name) {
    for (const auto& [key, value] : request.headers) {
        if (strcasecmp(key.c_str(), name) == 0) {
            return true;
        }
    }
    return false;
}

constexpr const char* kAbortedMessage = "The request was cancelled: Orvendi is quitting.";

std::string describeFailure(CURLcode code, const char* errorBuffer, const StallWatch& watch,
                            const BodySink& sink) {
    if (watch.aborted) {
        return kAbortedMessage;
    }
    if (sink.overflowed) {
        return "The server\u2019s answer is larger than " +
               std::to_string(kMaxResponseBytes >> 20) + " MB; it was not read to the end.";
    }
    if (watch.stalled) {
        return std::string(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT)) + " (no data for " +
               std::to_string(static_cast<long>(std::ceil(watch.limit.count()))) + " seconds)";
    }
    if (errorBuffer[0] != '\0') {
        return errorBuffer;
    }
    return curl_easy_strerror(code);
}

} // namespace

// DNS answers and TLS sessions shared by every handle, with one lock per kind of
// data as libcurl's share interface asks. libcurl documents its shared connection
// cache as unsafe for concurrent threads; connections therefore stay inside the
// idle handles instead.
struct HTTPTransport::Shared {
    CURLSH* share = curl_share_init();
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

    Shared() {
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Shared::lock);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Shared::unlock);
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    ~Shared() { curl_share_cleanup(share); }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* shared) {
        static_cast<Shared*>(shared)->locks.at(data).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* shared) {
        static_cast<Shared*>(shared)->locks.at(data).unlock();
    }
};

HTTPTransport::HTTPTransport(std::optional<std::string> caFile) : caFile_(std::move(caFile)) {
    initialiseCurlOnce();
    shared_ = std::make_unique<Shared>();
}

HTTPTransport::~HTTPTransport() {
    for (auto& idle : idle_) {
        curl_easy_cleanup(idle.handle);
    }
}

void* HTTPTransport::takeHandle(const std::string& origin) {
    {
        std::lock_guard lock(poolMutex_);
        for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
            if (it->origin == origin) {
                void* handle = it->handle;
                idle_.erase(std::next(it).base());
                return handle;
            }
        }
        if (!idle_.empty()) {
            void* handle = idle_.front().handle;
            idle_.erase(idle_.begin());
            return handle;
        }
    }
    CURL* handle = curl_easy_init();
    if (!handle) {
        throw TransportError(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
    }
    return handle;
}

void HTTPTransport::returnHandle(const std::string& origin, void* handle) {
    void* surplus = nullptr;
    {
        std::lock_guard lock(poolMutex_);
        idle_.push_back({origin, handle});
        if (idle_.size() > kMaxIdleHandles) {
            surplus = idle_.front().handle;
            idle_.erase(idle_.begin());
        }
    }
    if (surplus) {
        curl_easy_cleanup(surplus);
    }
}

void HTTPTransport::abortAll() {
    aborted_ = true;
}

HTTPResponse HTTPTransport::perform(const HTTPRequest& request) {
    if (aborted_) {
        throw TransportError(kAbortedMessage);
    }
    const std::string origin = originOf(request.url);
    CURL* curl = takeHandle(origin);
    // Reset keeps the handle's open connections; only the options start afresh.
    curl_easy_reset(curl);

    HTTPResponse response;
    BodySink sink{response.body};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    StallWatch watch{std::chrono::duration<double>(request.timeoutSeconds), aborted_};
    HeaderList headers;
    for (const auto& [name, value] : request.headers) {
        headers.add(name + ": " + value);
    }
    // Uploads go at once: waiting for "100 Continue" only costs a round trip.
    headers.add("Expect:");
    if (!hasHeader(request, "Content-Type")) {
        headers.add("Content-Type:");
    }

    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SHARE, shared_->share);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &BodySink::append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &StallWatch::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    if (caFile_) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_->c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::ceil(request.timeoutSeconds * 1000)));
    if (request.method == "GET") {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        if (request.method != "POST") {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
    }

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    // The options point into this frame; clear them before the handle goes back.
    curl_easy_reset(curl);
    returnHandle(origin, curl);

    if (code != CURLE_OK) {
        throw TransportError(describeFailure(code, errorBuffer, watch, sink));
    }
    response.status = static_cast<int>(status);
    return response;
}

} // namespace orvendi
