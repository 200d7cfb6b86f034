#include "support/harness/SecretServiceSession.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace orvendi::test {
namespace {

std::string script() {
    return std::string(ORVENDI_TEST_HARNESS_DIR) + "/secret-service-session";
}

std::string valueAfter(const std::string& line, const std::string& key) {
    return line.rfind(key + "=", 0) == 0 ? line.substr(key.size() + 1) : std::string();
}

const char* modeName(SecretServiceSession::Keyring keyring) {
    switch (keyring) {
    case SecretServiceSession::Keyring::Unlocked:
        return "keyring";
    case SecretServiceSession::Keyring::Locked:
        return "locked-keyring";
    case SecretServiceSession::Keyring::None:
        break;
    }
    return "no-keyring";
}

} // namespace

SecretServiceSession::SecretServiceSession(Keyring keyring) {
    const std::string command = script() + " start '" + dir_.path().string() + "' " +
                                modeName(keyring) + " " + std::to_string(getpid());
    FILE* output = popen(command.c_str(), "r");
    if (!output) {
        throw std::runtime_error("cannot run " + script());
    }
    char buffer[1024];
    while (fgets(buffer, sizeof buffer, output)) {
        std::string line(buffer);
        while (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        if (auto address = valueAfter(line, "DBUS_SESSION_BUS_ADDRESS"); !address.empty()) {
            busAddress_ = address;
        } else if (auto pid = valueAfter(line, "KEYRING_PID"); !pid.empty()) {
            keyringPid_ = std::stoi(pid);
        }
    }
    if (pclose(output) != 0 || busAddress_.empty()) {
        throw std::runtime_error("secret-service-session did not start");
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
}

SecretServiceSession::~SecretServiceSession() {
    const std::string command = script() + " stop '" + dir_.path().string() + "'";
    if (std::system(command.c_str()) != 0) {
        // Nothing more to do: the script's watcher stops them when we exit.
    }
}

} // namespace orvendi::test
