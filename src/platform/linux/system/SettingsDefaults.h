#pragma once

#include <memory>
#include <mutex>

#include "platform/Defaults.h"

class QSettings;

namespace orvendi {

// User defaults in an INI file under $XDG_CONFIG_HOME/Orvendi/ (QSettings),
// shared by the agent and the terminal tool. Every write is flushed at once and
// every read looks at the file again, so the two processes see each other's values.
class SettingsDefaults : public Defaults {
public:
    SettingsDefaults();
    // A store in an explicit INI file (tests).
    explicit SettingsDefaults(const std::string& iniPath);
    ~SettingsDefaults() override;

    std::optional<bool> boolean(const std::string& key) const override;
    std::optional<int64_t> integer(const std::string& key) const override;
    std::optional<std::string> string(const std::string& key) const override;
    void setBoolean(const std::string& key, bool value) override;
    void setInteger(const std::string& key, int64_t value) override;
    void setString(const std::string& key, const std::string& value) override;
    void remove(const std::string& key) override;

private:
    std::unique_ptr<QSettings> settings_;
    mutable std::mutex mutex_;
};

} // namespace orvendi
