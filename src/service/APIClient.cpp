#include "service/APIClient.h"

#include "platform/Scheduler.h"
#include "service/HTTPTransport.h"
#include "service/RequestURL.h"
#include "service/SessionStore.h"

namespace orvendi {

using nlohmann::json;

APIClient::APIClient(Config config, Keychain& keychain, const Scheduler& clock)
    : config_(std::move(config)), keychain_(keychain), clock_(clock), tokenExpiry_(kDistantPast),
      transport_(std::make_unique<HTTPTransport>(config_.ca_file)) {
    if (auto session = SessionStore::load(keychain_)) {
        accessToken_ = session->accessToken;
        refreshToken_ = session->refreshToken;
        tokenExpiry_ = session->expiresAt;
    }
}

APIClient::~APIClient() = default;

void APIClient::abortTransfers() {
    transport_->abortAll();
}

HTTPResponse APIClient::syncRequest(const HTTPRequest& request) {
    return transport_->perform(request);
}

HTTPRequest APIClient::jsonRequest(const std::string& path, const json& body, double timeoutSeconds,
                                   const std::optional<std::string>& token) const {
    HTTPRequest request;
    request.method = "POST";
    request.url = RequestURL::join(config_.api_url, path);
    request.timeoutSeconds = timeoutSeconds;
    if (token) {
        request.headers.emplace_back("Authorization", "Bearer " + *token);
    }
    request.headers.emplace_back("Content-Type", "application/json");
    try {
        request.body = body.dump();
    } catch (const json::exception& error) {
        // Text that is not valid UTF-8 cannot become JSON; fail this request
        // with a readable error instead of letting a library exception escape.
        throw Error(std::string("The request could not be encoded: ") + error.what());
    }
    return request;
}

void APIClient::dropAccessToken() {
    std::lock_guard lock(tokenMutex_);
    accessToken_.reset();
}

} // namespace orvendi
