#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvendi::server {

struct Request;

// The fields of a multipart/form-data body. Field contents are views into the
// request's body, so a large upload is not copied; the request must outlive
// the form.
class MultipartForm {
public:
    // Throws ServiceError 400 when the body is not a well-formed form.
    explicit MultipartForm(const Request& request);

    // The content of the first field of this name.
    std::optional<std::string_view> field(std::string_view name) const;

private:
    void parse(std::string_view body, const std::string& boundary);

    std::vector<std::pair<std::string, std::string_view>> fields_;
};

} // namespace orvendi::server
