#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvendi {

// sway's IPC protocol as far as the agent needs it: framing, the messages it
// sends (run a command, subscribe to events, ask for the window tree) and the
// binding events it follows. A message is the magic "i3-ipc", the payload's
// length and the message type (each 32 bits, native byte order) and a JSON
// payload.
namespace sway_ipc {

enum MessageType : uint32_t {
    kRunCommand = 0,
    kSubscribe = 2,
    kGetTree = 4,
    kBindingEvent = 0x80000005,
};

struct Message {
    uint32_t type = 0;
    std::string payload;
};

std::string encode(uint32_t type, const std::string& payload);

// Splits a byte stream into messages. Throws PlatformError on bytes that are
// not sway IPC (the connection is then useless).
class Reader {
public:
    void append(const std::string& bytes);
    std::optional<Message> next();

private:
    std::string buffer_;
};

// The agent's two bindings for the key named `keysym` (an XKB keysym name):
// one runs on the press and never repeats, one on the release. Their commands
// do nothing but mark the events as the agent's.
struct Bindings {
    explicit Bindings(std::string keysym);

    std::string keysym;
    std::string pressCommand;   // "nop orvendi dictation press"
    std::string releaseCommand; // "nop orvendi dictation release"

    // RUN_COMMAND payloads that add and remove both bindings.
    std::string addCommands() const;
    std::string removeCommands() const;
};

enum class KeyChange { Press, Release };

// What a binding event means for the dictation key: none for other bindings.
std::optional<KeyChange> keyChangeOf(const std::string& bindingEvent, const Bindings& bindings);

// The error sway gives for the first failed command of a RUN_COMMAND reply;
// none when every command succeeded.
std::optional<std::string> commandError(const std::string& reply);

} // namespace sway_ipc
} // namespace orvendi
