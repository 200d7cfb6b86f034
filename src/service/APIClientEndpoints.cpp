// APIClient's sign-in code, notes and telemetry endpoints.
#include "service/APIClient.h"

#include "service/HTTPTransport.h"
#include "service/RequestURL.h"
#include "service/ResponseBody.h"

namespace orvendi {
namespace {

using nlohmann::json;

constexpr double kDefaultTimeoutSeconds = 60;
// Telemetry must not hold up the queue that sends it.
constexpr double kTelemetryTimeoutSeconds = 10;

// What the backend is told about the sender.
constexpr const char* kPlatform = "linux";

std::string applicationVersion() {
#ifdef ORVENDI_VERSION
    constexpr std::string_view version = ORVENDI_VERSION;
    if (!version.empty()) {
        return std::string(version);
    }
#endif
    return "dev";
}

bool allObjects(const json& array) {
    for (const auto& element : array) {
        if (!element.is_object()) {
            return false;
        }
    }
    return true;
}

} // namespace

void APIClient::requestSignInCode(const std::string& email) {
    const HTTPResponse response = syncRequest(jsonRequest(
        "/api/native-auth/request", json{{"email", email}}, kDefaultTimeoutSeconds, {}));
    if (response.status != 200) {
        throw APIError::requestFailed(ResponseBody::failureMessage(
            ResponseBody::object(response.body), "Couldn\u2019t send sign-in code"));
    }
}

void APIClient::verifySignInCode(const std::string& email, const std::string& code) {
    const HTTPResponse response =
        syncRequest(jsonRequest("/api/native-auth/verify", json{{"email", email}, {"code", code}},
                                kDefaultTimeoutSeconds, {}));
    if (response.status == 200) {
        if (auto session = decodeSession(response.body)) {
            install(*session);
            return;
        }
    }
    throw APIError::requestFailed(ResponseBody::failureMessage(ResponseBody::object(response.body),
                                                               "Invalid or expired code"));
}

std::vector<json> APIClient::fetchNotes(const std::string& since, bool full) {
    const std::string token = ensureToken();
    std::vector<std::pair<std::string, std::string>> query;
    if (!since.empty()) {
        query.emplace_back("since", since);
    }
    if (full) {
        query.emplace_back("full", "1");
    }
    HTTPRequest request;
    request.url = RequestURL::withQuery(RequestURL::join(config_.api_url, "/api/notes"), query);
    request.timeoutSeconds = kDefaultTimeoutSeconds;
    request.headers.emplace_back("Authorization", "Bearer " + token);

    const HTTPResponse response = syncRequest(request);
    if (response.status == 200) {
        const json body = ResponseBody::object(response.body);
        const auto notes = body.find("notes");
        if (notes != body.end() && notes->is_array() && allObjects(*notes)) {
            return notes->get<std::vector<json>>();
        }
    }
    if (response.status == 401) {
        dropAccessToken();
    }
    throw APIError::requestFailed("notes fetch HTTP " + std::to_string(response.status));
}

void APIClient::recordActivationEvent(const std::string& event, const std::string& installationId) {
    const std::string token = ensureToken();
    const json body = {{"event", event},
                       {"installationId", installationId},
                       {"platform", kPlatform},
                       {"appVersion", applicationVersion()}};
    const HTTPResponse response =
        syncRequest(jsonRequest("/api/activation", body, kTelemetryTimeoutSeconds, token));
    if (response.status != 200) {
        throw APIError::requestFailed(ResponseBody::failureMessage(
            ResponseBody::object(response.body), "Activation event failed"));
    }
}

void APIClient::updateNativeStatus(const std::string& installationId, bool microphone,
                                   bool accessibility, bool inputMonitoring, bool screenRecording) {
    const std::string token = ensureToken();
    const json body = {{"installationId", installationId},   {"platform", kPlatform},
                       {"appVersion", applicationVersion()}, {"microphone", microphone},
                       {"accessibility", accessibility},     {"inputMonitoring", inputMonitoring},
                       {"screenRecording", screenRecording}};
    const HTTPResponse response =
        syncRequest(jsonRequest("/api/native-status", body, kTelemetryTimeoutSeconds, token));
    if (response.status != 200) {
        throw APIError::requestFailed(
            ResponseBody::failureMessage(ResponseBody::object(response.body),
                                         "Native status HTTP " + std::to_string(response.status)));
    }
}

} // namespace orvendi
