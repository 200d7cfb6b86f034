// The test session's one keyboard: the agent's own virtual keyboard with the
// "us" layout, living as long as the session, so the seat has a keyboard
// (windows get keyboard focus, compositor bindings fire) and tests can hold a
// key across separate commands.
//
// Usage: orvendi-virtual-keyboard FIFO
// Creates FIFO and reads lines from it: "press KEYSYM" and "release KEYSYM"
// (XKB keysym names such as Control_R or a).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/Log.h"
#include "platform/linux/wayland/VirtualKeyboard.h"

namespace {

class StandardErrorLog : public orvendi::Log {
public:
    void write(const std::string& message) override { std::cerr << message << '\n'; }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: orvendi-virtual-keyboard FIFO\n";
        return 1;
    }
    // The session has no other keyboard whose keymap the class could take.
    setenv("XKB_DEFAULT_LAYOUT", "us", 1);
    StandardErrorLog log;
    const auto keyboard = orvendi::VirtualKeyboard::connect(log);
    if (keyboard == nullptr || (mkfifo(argv[1], 0600) < 0 && errno != EEXIST)) {
        return 1;
    }
    // Read and write: the fifo then never reports end of file between writers.
    // stdio hands over each line as it arrives; an std::fstream held lines back
    // long enough to turn a quick double tap into a hold.
    FILE* commands = std::fopen(argv[1], "r+");
    char line[256];
    char command[16];
    char keysym[128];
    while (commands != nullptr && std::fgets(line, sizeof line, commands) != nullptr) {
        const bool parsed = std::sscanf(line, "%15s %127s", command, keysym) == 2;
        const std::string action = parsed ? command : "";
        if ((action != "press" && action != "release") ||
            !keyboard->key(keysym, action == "press")) {
            log.write("orvendi-virtual-keyboard: cannot do " + std::string(line));
        }
    }
    return 0;
}
