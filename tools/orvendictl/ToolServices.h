#pragma once

#include <memory>
#include <optional>

#include "DiscardingLog.h"
#include "platform/linux/system/EventLoopScheduler.h"
#include "platform/linux/system/XdgFiles.h"
#include "service/Config.h"

namespace orvendi {

class APIClient;
class AudioInput;
class Defaults;
class Keychain;
class RecoveryStore;
class VaultSync;

// The services the tool shares with the agent: the configuration file, the
// user defaults, the session in the system keyring, the recovery store, the
// vault and the microphone. Each is made on first use, so a command touches
// only what it needs (`status` never opens the microphone, `transcribe` never
// reads the user defaults).
class ToolServices {
public:
    ToolServices();
    ~ToolServices();
    ToolServices(const ToolServices&) = delete;
    ToolServices& operator=(const ToolServices&) = delete;

    Files& files() { return files_; }
    Log& log() { return log_; }
    EventLoopScheduler& scheduler() { return scheduler_; }
    Defaults& defaults();
    Keychain& keychain();
    const Config& config();
    APIClient& api();
    // The same client, for work that may outlive the command that started it.
    std::shared_ptr<APIClient> sharedAPI();
    RecoveryStore& recoveryStore();
    AudioInput& microphone();
    VaultSync& vault();

private:
    XdgFiles files_;
    DiscardingLog log_;
    EventLoopScheduler scheduler_;
    std::unique_ptr<Defaults> defaults_;
    std::unique_ptr<Keychain> keychain_;
    std::optional<Config> config_;
    std::shared_ptr<APIClient> api_;
    std::unique_ptr<RecoveryStore> recoveryStore_;
    std::unique_ptr<AudioInput> microphone_;
    std::shared_ptr<VaultSync> vault_;
};

} // namespace orvendi
