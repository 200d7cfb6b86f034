#pragma once

#include <QLocalSocket>
#include <deque>
#include <memory>

#include "platform/linux/keys/SwayIpc.h"
#include "platform/linux/wayland/KeySource.h"

namespace orvendi {

class Log;

// The dictation key through sway: the agent adds two bindings of its own for
// the key at run time (one on the press, one on the release, both doing
// nothing) over sway's IPC socket, follows the IPC binding events, and removes
// the bindings again when it is destroyed. Nothing for the user to set up.
class SwayKeySource : public KeySource {
public:
    // `keysym`: the dictation key's XKB keysym name ("Control_R").
    SwayKeySource(std::string socketPath, std::string keysym, Log& log);
    ~SwayKeySource() override;

    std::string name() const override { return "sway key bindings"; }
    bool start(HeldKey& key) override;

private:
    bool send(uint32_t type, const std::string& payload);
    std::optional<sway_ipc::Message> awaitReply(uint32_t type);
    void readEvents();
    void handle(const sway_ipc::Message& message);

    std::string socketPath_;
    sway_ipc::Bindings bindings_;
    Log& log_;
    std::unique_ptr<QLocalSocket> socket_;
    sway_ipc::Reader reader_;
    std::deque<sway_ipc::Message> pending_;
    HeldKey* key_ = nullptr;
    bool bound_ = false;
};

} // namespace orvendi
