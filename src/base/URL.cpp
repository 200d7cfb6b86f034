#include "base/URL.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

namespace orvendi {

namespace {

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Characters that never appear unescaped in an address: controls, blanks and
// the ones RFC 3986 leaves out.
bool formsURL(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](unsigned char c) {
        return c <= 0x20 || c == 0x7f ||
               std::string_view("\"<>\\^`{|}").find(static_cast<char>(c)) != std::string_view::npos;
    });
}

std::optional<std::string_view> schemeOf(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    const auto scheme = text.substr(0, colon);
    const bool valid = std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '+' || c == '-' || c == '.';
    });
    return valid ? std::optional(scheme) : std::nullopt;
}

bool isRegisteredNameCharacter(unsigned char c) {
    // Unreserved characters and percent escapes; the sub-delimiters that RFC 3986
    // also allows are refused, since hosts are inserted into page scripts.
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '%';
}

bool isIPv6Character(unsigned char c) {
    return std::isxdigit(c) || c == ':' || c == '.';
}

struct CurlURLFree {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};

// What libcurl makes of an authority's port.
struct PortCheck {
    bool valid = false;
    std::optional<int> port; // absent when none is given
};

// libcurl reads two parts of an authority as RFC 3986 does: an IPv6 literal (by
// its full grammar) and the port (digits up to 65535, empty for the default).
// Registered names keep the stricter character rule above, so a placeholder
// stands in for them.
PortCheck checkedPort(std::string_view hostForCurl, std::string_view portPart) {
    const std::unique_ptr<CURLU, CurlURLFree> handle(curl_url());
    std::string probe = "x-authority://";
    probe.append(hostForCurl).append(portPart).append("/");
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, probe.c_str(),
                                CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return {};
    }
    PortCheck check{true, std::nullopt};
    char* port = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_PORT, &port, 0) == CURLUE_OK) {
        check.port = std::atoi(port);
        curl_free(port);
    }
    return check;
}

// Splits "userinfo@host:port" into `url`; false when it is malformed.
bool parseAuthority(std::string_view authority, URL& url) {
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        url.userinfo = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
    }
    const bool bracketed = !authority.empty() && authority.front() == '[';
    const auto hostEnd = authority.find(bracketed ? ']' : ':');
    if (bracketed && hostEnd == std::string_view::npos) {
        return false;
    }
    const auto host = bracketed ? authority.substr(1, hostEnd - 1) : authority.substr(0, hostEnd);
    const auto portPart = hostEnd == std::string_view::npos
                              ? std::string_view()
                              : authority.substr(bracketed ? hostEnd + 1 : hostEnd);
    const bool hostValid =
        bracketed ? !host.empty() && std::all_of(host.begin(), host.end(), isIPv6Character)
                  : std::all_of(host.begin(), host.end(), isRegisteredNameCharacter);
    if (!hostValid) {
        return false;
    }
    // The brackets stay around an IPv6 literal.
    const auto hostForCurl = bracketed ? authority.substr(0, hostEnd + 1) : "localhost";
    const auto port = checkedPort(hostForCurl, portPart);
    if (!port.valid) {
        return false;
    }
    if (!host.empty()) {
        url.host = lowercased(host); // "file:///x" has an authority but no host
    }
    url.port = port.port;
    return true;
}

} // namespace

std::optional<URL> URL::parse(std::string_view text) {
    if (!formsURL(text)) {
        return std::nullopt;
    }
    URL url;
    if (const auto fragmentStart = text.find('#'); fragmentStart != std::string_view::npos) {
        url.fragment = std::string(text.substr(fragmentStart + 1));
        text = text.substr(0, fragmentStart);
    }
    if (const auto queryStart = text.find('?'); queryStart != std::string_view::npos) {
        url.query = std::string(text.substr(queryStart + 1));
        text = text.substr(0, queryStart);
    }
    if (const auto scheme = schemeOf(text)) {
        url.scheme = lowercased(*scheme);
        text.remove_prefix(scheme->size() + 1);
    }
    if (text.substr(0, 2) == "//") {
        text.remove_prefix(2);
        const auto pathStart = text.find('/');
        if (!parseAuthority(text.substr(0, pathStart), url)) {
            return std::nullopt;
        }
        text = pathStart == std::string_view::npos ? std::string_view() : text.substr(pathStart);
    }
    url.path = std::string(text);
    return url;
}

std::optional<URL> URL::resolve(std::string_view reference) const {
    auto relative = parse(reference);
    if (!relative) {
        return std::nullopt;
    }
    if (!relative->scheme.empty()) {
        return relative;
    }
    URL target = *relative;
    target.scheme = scheme;
    if (relative->host) {
        return target;
    }
    target.userinfo = userinfo;
    target.host = host;
    target.port = port;
    if (relative->path.empty()) {
        target.path = path;
        if (!relative->query) {
            target.query = query;
        }
    } else if (relative->path.front() != '/') {
        // Relative to the base's folder (the workspace only loads absolute paths).
        const auto slash = path.rfind('/');
        target.path = (slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1)) +
                      relative->path;
    }
    return target;
}

std::optional<int> URL::defaultPort(const std::string& scheme) {
    if (scheme == "http") {
        return 80;
    }
    if (scheme == "https") {
        return 443;
    }
    return std::nullopt;
}

std::string URL::hostForAddress() const {
    if (!host) {
        return "";
    }
    return host->find(':') != std::string::npos ? "[" + *host + "]" : *host;
}

std::string URL::toString() const {
    std::string text;
    if (!scheme.empty()) {
        text += scheme + ":";
    }
    if (host) {
        text += "//";
        if (userinfo) {
            text += *userinfo + "@";
        }
        text += hostForAddress();
        if (port) {
            text += ':';
            text += std::to_string(*port);
        }
    }
    text += path;
    if (query) {
        text += "?" + *query;
    }
    if (fragment) {
        text += "#" + *fragment;
    }
    return text;
}

} // namespace orvendi
