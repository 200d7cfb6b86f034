#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvendi {

// The application's user defaults: small typed values by key, shared by the
// agent and the terminal tool. Absent keys read as std::nullopt.
class Defaults {
public:
    virtual ~Defaults() = default;
    virtual std::optional<bool> boolean(const std::string& key) const = 0;
    virtual std::optional<int64_t> integer(const std::string& key) const = 0;
    virtual std::optional<std::string> string(const std::string& key) const = 0;
    virtual void setBoolean(const std::string& key, bool value) = 0;
    virtual void setInteger(const std::string& key, int64_t value) = 0;
    virtual void setString(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;
};

} // namespace orvendi
