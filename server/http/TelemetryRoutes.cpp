#include "http/TelemetryRoutes.h"

#include "Clock.h"
#include "ServiceError.h"
#include "Utf8.h"
#include "base/IsoTime.h"
#include "http/BearerAuth.h"
#include "http/JsonReply.h"
#include "http/JsonRequest.h"
#include "http/Router.h"
#include "storage/TelemetryStore.h"

namespace orvendi::server {

namespace {

constexpr size_t kMaxFieldLength = 200;

std::string shortText(const JsonRequest& body, const std::string& key, bool required) {
    const auto value =
        required ? std::optional(body.requiredString(key)) : body.optionalString(key);
    if (!value) {
        return {};
    }
    if ((required && value->empty()) || Utf8::hasControlCharacters(*value) ||
        Utf8::length(*value) > kMaxFieldLength) {
        throw ServiceError(400, "\"" + key + "\" must be a short line of text");
    }
    return *value;
}

TelemetryStore::Source sourceOf(int64_t userId, const JsonRequest& body) {
    return {userId, shortText(body, "installationId", true), shortText(body, "platform", false),
            shortText(body, "appVersion", false)};
}

std::string isoSeconds(double seconds) {
    return IsoTime::formatMillis(IsoTime::millisFromSeconds(seconds));
}

nlohmann::json installationJson(const TelemetryStore::Installation& installation) {
    nlohmann::json permissions = nullptr;
    if (const auto& p = installation.permissions) {
        permissions = {{"microphone", p->microphone},
                       {"accessibility", p->accessibility},
                       {"input_monitoring", p->inputMonitoring},
                       {"screen_recording", p->screenRecording},
                       {"reported_at", isoSeconds(p->reportedAt)}};
    }
    nlohmann::json milestones = nlohmann::json::array();
    for (const auto& milestone : installation.milestones) {
        milestones.push_back(
            {{"event", milestone.event}, {"recorded_at", isoSeconds(milestone.recordedAt)}});
    }
    return {{"installation_id", installation.installationId},
            {"platform", installation.platform},
            {"app_version", installation.appVersion},
            {"permissions", permissions},
            {"milestones", milestones}};
}

} // namespace

TelemetryRoutes::TelemetryRoutes(const BearerAuth& auth, TelemetryStore& telemetry,
                                 const Clock& clock)
    : auth_(auth), telemetry_(telemetry), clock_(clock) {}

void TelemetryRoutes::registerRoutes(Router& router) {
    router.post("/api/activation", [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        const JsonRequest body(request.body);
        const std::string event = shortText(body, "event", true);
        telemetry_.recordMilestone(sourceOf(userId, body), event, clock_.now());
        JsonReply::send(response, 200, {{"recorded", true}});
    });

    router.post("/api/native-status", [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        const JsonRequest body(request.body);
        const TelemetryStore::Source source = sourceOf(userId, body);
        const TelemetryStore::Permissions permissions{
            body.requiredBool("microphone"), body.requiredBool("accessibility"),
            body.requiredBool("inputMonitoring"), body.requiredBool("screenRecording"),
            clock_.now()};
        telemetry_.recordPermissions(source, permissions);
        JsonReply::send(response, 200, {{"recorded", true}});
    });

    router.get("/api/installations", [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        nlohmann::json list = nlohmann::json::array();
        for (const auto& installation : telemetry_.installations(userId)) {
            list.push_back(installationJson(installation));
        }
        JsonReply::send(response, 200, {{"installations", list}});
    });
}

} // namespace orvendi::server
