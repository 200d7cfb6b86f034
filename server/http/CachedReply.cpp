#include "http/CachedReply.h"

#include <cstdlib>
#include <optional>
#include <strings.h>

namespace orvendi::server::CachedReply {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Calls `each` with every element of the comma-separated lists in all of
// the request's headers of this name (a list may also come split over
// several headers).
template <class Each>
void forEachListed(const Request& request, std::string_view name, Each&& each) {
    for (const auto& [header, value] : request.headers) {
        if (header.size() != name.size() ||
            strncasecmp(header.data(), name.data(), name.size()) != 0) {
            continue;
        }
        std::string_view rest = value;
        while (!rest.empty()) {
            const auto comma = rest.find(',');
            each(trimmed(rest.substr(0, comma)));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
}

bool named(std::string_view coding, std::string_view name) {
    return coding.size() == name.size() &&
           strncasecmp(coding.data(), name.data(), name.size()) == 0;
}

// The q value of one Accept-Encoding element ("gzip;q=0.5"), 1 without one.
double qualityOf(std::string_view parameters) {
    const auto q = parameters.find("q=");
    if (q == std::string_view::npos) {
        return 1;
    }
    return std::strtod(std::string(parameters.substr(q + 2)).c_str(), nullptr);
}

} // namespace

bool acceptsGzip(const Request& request) {
    std::optional<double> gzip;
    std::optional<double> any;
    forEachListed(request, "Accept-Encoding", [&](std::string_view element) {
        const auto semicolon = element.find(';');
        const std::string_view coding = trimmed(element.substr(0, semicolon));
        const double quality =
            semicolon == std::string_view::npos ? 1 : qualityOf(element.substr(semicolon + 1));
        if (named(coding, "gzip") || named(coding, "x-gzip")) {
            gzip = quality;
        } else if (coding == "*") {
            any = quality;
        }
    });
    return gzip.value_or(any.value_or(0)) > 0;
}

bool holds(const Request& request, const std::string& etag) {
    bool found = false;
    forEachListed(request, "If-None-Match", [&](std::string_view tag) {
        if (tag.substr(0, 2) == "W/") {
            tag.remove_prefix(2);
        }
        found = found || tag == "*" || tag == etag;
    });
    return found;
}

void send(const Request& request, Response& response, const CachedAnswer& answer) {
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("ETag", answer.etag);
    // The same address answers in two encodings.
    response.setHeader("Vary", "Accept-Encoding");
    if (holds(request, answer.etag)) {
        response.status = 304;
        return;
    }
    response.status = 200;
    if (answer.gzip) {
        response.setHeader("Content-Encoding", "gzip");
    }
    response.setSharedContent(answer.body, "application/json; charset=utf-8");
}

} // namespace orvendi::server::CachedReply
