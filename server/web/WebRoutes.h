#pragma once

#include "http/RouteModule.h"

namespace orvendi::server {

// The workspace pages the agent opens in its window, /app and /settings, and
// the style sheet and scripts they load from /web/. The pages speak to the
// API from the browser with the session the agent hands over.
class WebRoutes : public RouteModule {
public:
    void registerRoutes(Router& router) override;
};

} // namespace orvendi::server
