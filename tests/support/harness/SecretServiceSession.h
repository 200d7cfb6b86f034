#pragma once

#include <string>

#include "support/harness/TempDir.h"

namespace orvendi::test {

// A private D-Bus session bus for this test process (secret-service-session),
// with or without an unlocked gnome-keyring on it. The constructor points
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
    TempDir dir_;
    std::string busAddress_;
    int keyringPid_ = 0;
};

} // namespace orvendi::test
