#include "service/ResponseBody.h"

namespace orvendi::ResponseBody {

using nlohmann::json;

json object(const std::string& body) {
    json parsed = json::parse(body, nullptr, /*allow_exceptions=*/false);
    return parsed.is_object() ? parsed : json::object();
}

std::optional<std::string> string(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

std::string failureMessage(const json& object, const std::string& fallback) {
    return string(object, "error").value_or(fallback);
}

} // namespace orvendi::ResponseBody
