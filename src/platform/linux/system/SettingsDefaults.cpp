#include "platform/linux/system/SettingsDefaults.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace orvendi {
namespace {

QString qKey(const std::string& key) {
    return QString::fromStdString(key);
}

// The folder is "Orvendi" under the XDG config home; QSettings applies
// $XDG_CONFIG_HOME itself.
constexpr const char* kOrganization = "Orvendi";
constexpr const char* kApplication = "Orvendi";

} // namespace

SettingsDefaults::SettingsDefaults()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            kOrganization, kApplication)) {}

SettingsDefaults::SettingsDefaults(const std::string& iniPath)
    : settings_(
          std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

SettingsDefaults::~SettingsDefaults() = default;

std::optional<bool> SettingsDefaults::boolean(const std::string& key) const {
    std::lock_guard lock(mutex_);
    settings_->sync();
    const QVariant value = settings_->value(qKey(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toBool();
}

std::optional<int64_t> SettingsDefaults::integer(const std::string& key) const {
    std::lock_guard lock(mutex_);
    settings_->sync();
    const QVariant value = settings_->value(qKey(key));
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!value.isValid() || !ok) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::string> SettingsDefaults::string(const std::string& key) const {
    std::lock_guard lock(mutex_);
    settings_->sync();
    const QVariant value = settings_->value(qKey(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void SettingsDefaults::setBoolean(const std::string& key, bool value) {
    std::lock_guard lock(mutex_);
    settings_->setValue(qKey(key), value);
    settings_->sync();
}

void SettingsDefaults::setInteger(const std::string& key, int64_t value) {
    std::lock_guard lock(mutex_);
    settings_->setValue(qKey(key), static_cast<qlonglong>(value));
    settings_->sync();
}

void SettingsDefaults::setString(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    settings_->setValue(qKey(key), QString::fromStdString(value));
    settings_->sync();
}

void SettingsDefaults::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    settings_->remove(qKey(key));
    settings_->sync();
}

} // namespace orvendi
