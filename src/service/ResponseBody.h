#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace orvendi {

// Reading the backend's answers: values count only with the expected JSON type.
namespace ResponseBody {

// The body as a JSON object; anything else (invalid JSON, an array, ...) reads
// as an empty object.
nlohmann::json object(const std::string& body);

// object[key] when it is a string.
std::optional<std::string> string(const nlohmann::json& object, const char* key);

// The failure message the user sees: the body's "error" text when it has one,
// else the endpoint's own fallback.
std::string failureMessage(const nlohmann::json& object, const std::string& fallback);

} // namespace ResponseBody

} // namespace orvendi
