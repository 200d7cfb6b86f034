#include "service/RequestURL.h"

#include <memory>

#include <curl/curl.h>

#include "service/APIClient.h"

namespace orvendi::RequestURL {
namespace {

struct ParsedURL {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle{curl_url(), &curl_url_cleanup};

    std::string part(CURLUPart which) const {
        char* text = nullptr;
        if (curl_url_get(handle.get(), which, &text, 0) != CURLUE_OK || !text) {
            return {};
        }
        std::string value = text;
        curl_free(text);
        return value;
    }
};

[[noreturn]] void rejectAddress(const std::string& url, const std::string& reason) {
    throw TransportError("Not a valid server address: \"" + url + "\" (" + reason + ")");
}

// Characters a query value may carry as they are; everything else, "+" and "&"
// and "=" included, is percent-encoded.
bool keepsAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == ':' || c == '@' || c == '/' || c == '?';
}

} // namespace

std::string join(const std::string& base, const std::string& path) {
    std::string url = base + path;
    ParsedURL parsed;
    const CURLUcode code = curl_url_set(parsed.handle.get(), CURLUPART_URL, url.c_str(), 0);
    if (code != CURLUE_OK) {
        rejectAddress(url, curl_url_strerror(code));
    }
    const std::string scheme = parsed.part(CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") {
        rejectAddress(url, "only http and https are supported");
    }
    if (parsed.part(CURLUPART_HOST).empty()) {
        rejectAddress(url, "no host");
    }
    return url;
}

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const unsigned char c : text) {
        if (keepsAsIs(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

std::string withQuery(const std::string& url,
                      const std::vector<std::pair<std::string, std::string>>& items) {
    std::string result = url;
    char separator = url.find('?') == std::string::npos ? '?' : '&';
    for (const auto& [name, value] : items) {
        result += separator;
        result += percentEncode(name);
        result += '=';
        result += percentEncode(value);
        separator = '&';
    }
    return result;
}

} // namespace orvendi::RequestURL
