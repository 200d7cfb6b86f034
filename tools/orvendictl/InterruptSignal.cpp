#include "InterruptSignal.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "base/Error.h"

namespace orvendi {
namespace {

// The handler may only touch this and write().
volatile sig_atomic_t writeEnd = -1;

void noteInterrupt(int) {
    const int savedErrno = errno;
    const char byte = 1;
    if (writeEnd >= 0) {
        [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

InterruptSignal::InterruptSignal() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw PlatformError("Couldn't watch for Ctrl-C");
    }
    writeEnd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_);
}

InterruptSignal::~InterruptSignal() {
    sigaction(SIGINT, &previous_, nullptr);
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

} // namespace orvendi
