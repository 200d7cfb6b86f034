#pragma once

#include "http/RouteModule.h"

namespace orvendi::server {

class BearerAuth;
class Clock;
class TelemetryStore;

// What the agent reports about its installation (Bearer on every route):
//   POST /api/activation   {"event","installationId","platform","appVersion"}
//   POST /api/native-status {"installationId","platform","appVersion","microphone",
//                            "accessibility","inputMonitoring","screenRecording"}
//   GET  /api/installations -> {"installations": [{"installation_id", "platform",
//        "app_version", "permissions": {...,"reported_at"} or null,
//        "milestones": [{"event","recorded_at"}]}]}, most recently heard from first
class TelemetryRoutes : public RouteModule {
public:
    TelemetryRoutes(const BearerAuth& auth, TelemetryStore& telemetry, const Clock& clock);

    void registerRoutes(Router& router) override;

private:
    const BearerAuth& auth_;
    TelemetryStore& telemetry_;
    const Clock& clock_;
};

} // namespace orvendi::server
