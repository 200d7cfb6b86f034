#include "support/fakes/MemoryDefaults.h"

namespace orvendi::test {

template <typename T> std::optional<T> MemoryDefaults::get(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = values_.find(key);
    if (it == values_.end() || !std::holds_alternative<T>(it->second)) {
        return std::nullopt;
    }
    return std::get<T>(it->second);
}

std::optional<bool> MemoryDefaults::boolean(const std::string& key) const {
    return get<bool>(key);
}
std::optional<int64_t> MemoryDefaults::integer(const std::string& key) const {
    return get<int64_t>(key);
}
std::optional<std::string> MemoryDefaults::string(const std::string& key) const {
    return get<std::string>(key);
}

void MemoryDefaults::setBoolean(const std::string& key, bool value) {
    std::lock_guard lock(mutex_);
    values_[key] = value;
}
void MemoryDefaults::setInteger(const std::string& key, int64_t value) {
    std::lock_guard lock(mutex_);
    values_[key] = value;
}
void MemoryDefaults::setString(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    values_[key] = value;
}
void MemoryDefaults::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    values_.erase(key);
}

} // namespace orvendi::test
