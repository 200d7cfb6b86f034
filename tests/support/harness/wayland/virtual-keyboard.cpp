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
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

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
    // Read and write: the fifo then never reports end of file between writers.
    if (keyboard == nullptr || (mkfifo(argv[1], 0600) < 0 && errno != EEXIST)) {
        return 1;
    }
    std::fstream commands(argv[1], std::ios::in | std::ios::out);
    for (std::string line; std::getline(commands, line);) {
        std::istringstream words(line);
        std::string command, keysym;
        words >> command >> keysym;
        if ((command != "press" && command != "release") ||
            !keyboard->key(keysym, command == "press")) {
            log.write("orvendi-virtual-keyboard: cannot do \"" + line + "\"");
        }
    }
    return 0;
}
