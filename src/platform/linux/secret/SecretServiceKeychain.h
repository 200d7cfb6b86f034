#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/Keychain.h"

namespace orvendi {

class Log;

// The Keychain on the freedesktop Secret Service (gnome-keyring, KWallet, ...)
// through libsecret: one item per (service, account) attribute pair in the
// default collection. Every call gives up after a time limit, so a locked
// keyring's unlock prompt or a service that does not answer never holds the
// caller for longer; it then fails, and the first failure is logged. There is
// no fallback store: without a Secret Service the session lives in memory only.
//
// libsecret runs on a thread of its own with its own GLib main context, so the
// callers' threads need no GLib loop.
class SecretServiceKeychain : public Keychain {
public:
    static constexpr double kDefaultTimeLimitSeconds = 3;

    explicit SecretServiceKeychain(Log& log, double timeLimitSeconds = kDefaultTimeLimitSeconds);
    ~SecretServiceKeychain() override;
    SecretServiceKeychain(const SecretServiceKeychain&) = delete;
    SecretServiceKeychain& operator=(const SecretServiceKeychain&) = delete;

    CopyResult copy(const std::string& service, const std::string& account) override;
    KeychainStatus update(const std::string& service, const std::string& account,
                          const std::string& data) override;
    KeychainStatus add(const std::string& service, const std::string& account,
                       const std::string& data) override;
    KeychainStatus remove(const std::string& service, const std::string& account) override;

private:
    struct Call;
    struct Loop;
    using Deadline = std::chrono::steady_clock::time_point;

    Deadline deadline() const;
    CopyResult copyBefore(const std::string& service, const std::string& account, Deadline end);
    KeychainStatus addBefore(const std::string& service, const std::string& account,
                             const std::string& data, Deadline end);
    // Starts the call on the libsecret thread and waits for it until `end`;
    // false when it did not finish in time.
    bool run(const std::shared_ptr<Call>& call, Deadline end);
    void noteFailure(const std::string& reason);

    Log& log_;
    std::chrono::duration<double> timeLimit_;
    std::atomic<bool> failureLogged_{false};
    std::unique_ptr<Loop> loop_;
};

} // namespace orvendi
