#include "platform/linux/keys/SwayIpc.h"

#include <cstring>
#include <nlohmann/json.hpp>

#include "base/Error.h"

namespace orvendi::sway_ipc {
namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr size_t kMagicSize = sizeof(kMagic) - 1;
constexpr size_t kHeaderSize = kMagicSize + 2 * sizeof(uint32_t);
// Replies and events of the messages the agent sends are small; a length
// beyond this is a broken stream, not a message worth buffering.
constexpr uint32_t kLargestPayload = 16 * 1024 * 1024;
constexpr char kCommandPrefix[] = "nop orvendi dictation ";

} // namespace

std::string encode(uint32_t type, const std::string& payload) {
    const auto length = static_cast<uint32_t>(payload.size());
    std::string message(kMagic, kMagicSize);
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    return message + payload;
}

void Reader::append(const std::string& bytes) {
    buffer_ += bytes;
}

std::optional<Message> Reader::next() {
    if (buffer_.size() < kHeaderSize) {
        return std::nullopt;
    }
    if (buffer_.compare(0, kMagicSize, kMagic) != 0) {
        throw PlatformError("sway IPC: unexpected bytes from the compositor");
    }
    uint32_t length = 0;
    Message message;
    std::memcpy(&length, buffer_.data() + kMagicSize, sizeof length);
    std::memcpy(&message.type, buffer_.data() + kMagicSize + sizeof length, sizeof message.type);
    if (length > kLargestPayload) {
        throw PlatformError("sway IPC: message too large");
    }
    if (buffer_.size() < kHeaderSize + length) {
        return std::nullopt;
    }
    message.payload = buffer_.substr(kHeaderSize, length);
    buffer_.erase(0, kHeaderSize + length);
    return message;
}

Bindings::Bindings(std::string keysymName)
    : keysym(std::move(keysymName)), pressCommand(std::string(kCommandPrefix) + "press"),
      releaseCommand(std::string(kCommandPrefix) + "release") {}

std::string Bindings::addCommands() const {
    return "bindsym --no-repeat " + keysym + " " + pressCommand + "; bindsym --release " + keysym +
           " " + releaseCommand;
}

std::string Bindings::removeCommands() const {
    return "unbindsym --no-repeat " + keysym + "; unbindsym --release " + keysym;
}

std::optional<KeyChange> keyChangeOf(const std::string& bindingEvent, const Bindings& bindings) {
    const auto event = nlohmann::json::parse(bindingEvent, nullptr, false);
    if (!event.is_object() || event.value("change", "") != "run") {
        return std::nullopt;
    }
    const auto binding = event.find("binding");
    if (binding == event.end() || !binding->is_object()) {
        return std::nullopt;
    }
    const std::string command = binding->value("command", "");
    if (command == bindings.pressCommand) {
        return KeyChange::Press;
    }
    if (command == bindings.releaseCommand) {
        return KeyChange::Release;
    }
    return std::nullopt;
}

std::optional<std::string> commandError(const std::string& reply) {
    const auto results = nlohmann::json::parse(reply, nullptr, false);
    if (!results.is_array()) {
        return "sway IPC: unreadable reply";
    }
    for (const auto& result : results) {
        if (!result.is_object() || !result.value("success", false)) {
            return result.is_object() ? result.value("error", "command failed") : "command failed";
        }
    }
    return std::nullopt;
}

} // namespace orvendi::sway_ipc
