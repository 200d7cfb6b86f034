#include "http/MultipartForm.h"

#include <regex>

#include "ServiceError.h"
#include "http/Request.h"

namespace orvendi::server {

namespace {

constexpr std::string_view kCrlf = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";

[[noreturn]] void refuse() {
    throw ServiceError(400, "Expected a multipart form");
}

std::string boundaryOf(const Request& request) {
    static const std::regex kBoundary(R"re(;\s*boundary="?([^";]{1,70})"?)re", std::regex::icase);
    const std::string type = request.header("Content-Type");
    std::smatch match;
    if (request.mediaType() != "multipart/form-data" ||
        !std::regex_search(type, match, kBoundary)) {
        refuse();
    }
    return match[1];
}

// The name="..." of a part's Content-Disposition header.
std::string fieldName(std::string_view head) {
    static const std::regex kName(R"re(content-disposition:[^\r\n]*;\s*name="([^"]*)")re",
                                  std::regex::icase);
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(head.begin(), head.end(), match, kName)) {
        refuse();
    }
    return match[1];
}

} // namespace

MultipartForm::MultipartForm(const Request& request) {
    parse(request.body, boundaryOf(request));
}

void MultipartForm::parse(std::string_view body, const std::string& boundary) {
    const std::string delimiter = "--" + boundary;
    size_t position = body.find(delimiter);
    if (position == std::string_view::npos) {
        refuse();
    }
    const std::string separator = std::string(kCrlf) + delimiter;
    for (;;) {
        position += delimiter.size();
        if (body.substr(position, 2) == "--") {
            return; // the closing delimiter
        }
        if (body.substr(position, 2) != kCrlf) {
            refuse();
        }
        const size_t headStart = position + kCrlf.size();
        const size_t headEnd = body.find(kHeadEnd, headStart);
        if (headEnd == std::string_view::npos) {
            refuse();
        }
        const size_t contentStart = headEnd + kHeadEnd.size();
        const size_t contentEnd = body.find(separator, contentStart);
        if (contentEnd == std::string_view::npos) {
            refuse();
        }
        fields_.emplace_back(
            fieldName(body.substr(headStart - kCrlf.size(), headEnd - headStart + kCrlf.size())),
            body.substr(contentStart, contentEnd - contentStart));
        position = contentEnd + kCrlf.size();
    }
}

std::optional<std::string_view> MultipartForm::field(std::string_view name) const {
    for (const auto& [fieldName, content] : fields_) {
        if (fieldName == name) {
            return content;
        }
    }
    return std::nullopt;
}

} // namespace orvendi::server
