#include "ToolServices.h"

#include "capture/RecoveryStore.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/secret/SecretServiceKeychain.h"
#include "platform/linux/system/SettingsDefaults.h"
#include "service/APIClient.h"
#include "vault/VaultSync.h"

namespace orvendi {

ToolServices::ToolServices() = default;

// The vault and the client go before the services they were given.
ToolServices::~ToolServices() {
    vault_.reset();
    api_.reset();
}

Defaults& ToolServices::defaults() {
    if (!defaults_) {
        defaults_ = std::make_unique<SettingsDefaults>();
    }
    return *defaults_;
}

Keychain& ToolServices::keychain() {
    if (!keychain_) {
        keychain_ = std::make_unique<SecretServiceKeychain>(log_);
    }
    return *keychain_;
}

const Config& ToolServices::config() {
    if (!config_) {
        config_ = Config::load(files_);
        if (config_->ca_file_ignored) {
            log_.write("config.json: \"ca_file\" is not a path to a file; ignored");
        }
    }
    return *config_;
}

APIClient& ToolServices::api() {
    if (!api_) {
        api_ = std::make_shared<APIClient>(config(), keychain(), scheduler_);
    }
    return *api_;
}

RecoveryStore& ToolServices::recoveryStore() {
    if (!recoveryStore_) {
        recoveryStore_ = std::make_unique<RecoveryStore>(files_);
    }
    return *recoveryStore_;
}

AudioInput& ToolServices::microphone() {
    if (!microphone_) {
        microphone_ = std::make_unique<PulseAudioInput>();
    }
    return *microphone_;
}

std::shared_ptr<APIClient> ToolServices::sharedAPI() {
    api();
    return api_;
}

VaultSync& ToolServices::vault() {
    if (!vault_) {
        api();
        vault_ = VaultSync::create(api_, config().vault_dir, scheduler_, files_, log_);
    }
    return *vault_;
}

} // namespace orvendi
