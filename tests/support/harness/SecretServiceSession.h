#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "support/harness/TempDir.h"

namespace orvendi::test {

// A private D-Bus session bus for this test process, with or without a
// gnome-keyring serving the Secret Service on it. The constructor points
// DBUS_SESSION_BUS_ADDRESS at the bus, so create it before anything connects to
// D-Bus; a process can only ever use one such bus. Everything started is
// stopped by process id when the session ends (or the process exits).
class SecretServiceSession {
public:
    // Locked: gnome-keyring runs, but without an unlocked login collection, so
    // storing needs a prompt that nobody can answer.
    enum class Keyring { Unlocked, Locked, None };

    explicit SecretServiceSession(Keyring keyring);
    ~SecretServiceSession();
    SecretServiceSession(const SecretServiceSession&) = delete;
    SecretServiceSession& operator=(const SecretServiceSession&) = delete;

    int keyringPid() const { return keyringPid_; } // 0 without a keyring

private:
    void startKeyring(bool unlocked);

    TempDir dir_;
    std::string busAddress_;
    int keyringPid_ = 0;
    std::vector<pid_t> pids_; // in the order started
};

} // namespace orvendi::test
