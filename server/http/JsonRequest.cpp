#include "http/JsonRequest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ServiceError.h"

namespace orvendi::server {

namespace {

[[noreturn]] void refuse(const std::string& key, const std::string& expectation) {
    throw ServiceError(400, "\"" + key + "\" must be " + expectation);
}

} // namespace

JsonRequest::JsonRequest(const std::string& body) {
    object_ = nlohmann::json::parse(body, nullptr, false);
    if (object_.is_discarded()) {
        throw ServiceError(400, "The request body is not valid JSON");
    }
    if (!object_.is_object()) {
        throw ServiceError(400, "The request body must be a JSON object");
    }
}

bool JsonRequest::has(const std::string& key) const {
    return object_.contains(key);
}

const nlohmann::json& JsonRequest::value(const std::string& key) const {
    static const nlohmann::json kNull;
    const auto it = object_.find(key);
    return it == object_.end() ? kNull : *it;
}

std::string JsonRequest::requiredString(const std::string& key) const {
    const auto& v = value(key);
    if (!v.is_string()) {
        refuse(key, "a string");
    }
    return v.get<std::string>();
}

std::optional<std::string> JsonRequest::optionalString(const std::string& key) const {
    const auto& v = value(key);
    if (v.is_null()) {
        return std::nullopt;
    }
    if (!v.is_string()) {
        refuse(key, "a string");
    }
    return v.get<std::string>();
}

int64_t JsonRequest::requiredInteger(const std::string& key) const {
    const auto& v = value(key);
    if (v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
        refuse(key, "a whole number");
    }
    if (v.is_number_integer()) {
        return v.get<int64_t>();
    }
    // 12.0 is a whole number too; 12.5 is not.
    if (v.is_number_float() && std::isfinite(v.get<double>()) &&
        v.get<double>() == std::trunc(v.get<double>()) && std::fabs(v.get<double>()) < 1e15) {
        return static_cast<int64_t>(v.get<double>());
    }
    refuse(key, "a whole number");
}

bool JsonRequest::requiredBool(const std::string& key) const {
    const auto& v = value(key);
    if (!v.is_boolean()) {
        refuse(key, "true or false");
    }
    return v.get<bool>();
}

void JsonRequest::allowOnly(std::initializer_list<std::string_view> keys) const {
    for (const auto& [key, unused] : object_.items()) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            throw ServiceError(400, "Unknown field \"" + key + "\"");
        }
    }
}

} // namespace orvendi::server
