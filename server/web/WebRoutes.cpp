#include "web/WebRoutes.h"

#include "ServiceError.h"
#include "http/Router.h"
#include "web/WebAssets.h"

namespace orvendi::server {

namespace {

// The pages load nothing but their own files and talk to no one but this
// server; tokens in their session storage stay out of reach of anything else.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
    "img-src 'self' data:; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";

std::string contentTypeOf(const std::string& name) {
    const auto dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (extension == "html") {
        return "text/html; charset=utf-8";
    }
    if (extension == "css") {
        return "text/css; charset=utf-8";
    }
    if (extension == "js") {
        return "text/javascript; charset=utf-8";
    }
    throw ServiceError(404, "Not found");
}

void sendAsset(const std::string& name, Response& response) {
    const auto content = WebAssets::find(name);
    if (!content) {
        throw ServiceError(404, "Not found");
    }
    response.setContent(std::string(*content), contentTypeOf(name));
    // The files change only with the server, but a stale script next to a
    // newer page would break both: browsers ask again each time.
    response.setHeader("Cache-Control", "no-cache");
    response.setHeader("Content-Security-Policy", kContentSecurityPolicy);
}

} // namespace

void WebRoutes::registerRoutes(Router& router) {
    router.get("/", [](const auto&, auto& response) { response.redirect("/app"); });
    router.get("/app", [](const auto&, auto& response) { sendAsset("app.html", response); });
    router.get("/settings",
               [](const auto&, auto& response) { sendAsset("settings.html", response); });
    // Pages are reached by their own paths, not as files.
    router.get("/web/([A-Za-z0-9_-]+\\.(?:css|js))", [](const auto& request, auto& response) {
        sendAsset(request.matches[1], response);
    });
}

} // namespace orvendi::server
