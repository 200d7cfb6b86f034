#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace orvendi::server {

// A request body that must be one JSON object, with typed access to its
// members. Every refusal is a ServiceError 400 that names the member.
class JsonRequest {
public:
    explicit JsonRequest(const std::string& body);

    bool has(const std::string& key) const;
    std::string requiredString(const std::string& key) const;
    std::optional<std::string> optionalString(const std::string& key) const;
    int64_t requiredInteger(const std::string& key) const;
    bool requiredBool(const std::string& key) const;
    const nlohmann::json& value(const std::string& key) const;
    // Refuses members other than these (catches misspelt edits).
    void allowOnly(std::initializer_list<std::string_view> keys) const;

private:
    nlohmann::json object_;
};

} // namespace orvendi::server
