#pragma once

#include <csignal>

namespace orvendi {

// While it lives, Ctrl-C (SIGINT) does not end the process: it makes a
// descriptor readable instead, so a waiting loop can poll for it next to
// standard input and clean up. One at a time.
class InterruptSignal {
public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    // Readable once Ctrl-C has been pressed.
    int fd() const { return pipe_[0]; }

private:
    int pipe_[2] = {-1, -1};
    struct sigaction previous_ {};
};

} // namespace orvendi
