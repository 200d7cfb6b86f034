#pragma once

#include <map>
#include <mutex>
#include <variant>

#include "platform/Defaults.h"

namespace orvendi::test {

// User defaults kept in memory.
class MemoryDefaults : public Defaults {
public:
    std::optional<bool> boolean(const std::string& key) const override;
    std::optional<int64_t> integer(const std::string& key) const override;
    std::optional<std::string> string(const std::string& key) const override;
    void setBoolean(const std::string& key, bool value) override;
    void setInteger(const std::string& key, int64_t value) override;
    void setString(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

private:
    using Value = std::variant<bool, int64_t, std::string>;
    template <typename T> std::optional<T> get(const std::string& key) const;

    mutable std::mutex mutex_;
    std::map<std::string, Value> values_;
};

} // namespace orvendi::test
