#pragma once

#include <QLocalSocket>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/keys/SwayIpc.h"

namespace orvendi {

// A connection to sway's IPC socket for questions and commands that wait for
// their answer (the window tree, focusing a window). It subscribes to no
// events, so every message that comes back is a reply. It connects on first
// use and again after sway closed it.
class SwayIpcConnection {
public:
    explicit SwayIpcConnection(std::string socketPath);

    // The reply's payload; none when sway cannot be reached or does not answer
    // in time.
    std::optional<std::string> request(uint32_t type, const std::string& payload);

private:
    bool connected();

    std::string socketPath_;
    QLocalSocket socket_;
    sway_ipc::Reader reader_;
};

} // namespace orvendi
