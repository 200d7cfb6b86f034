#include "platform/linux/wayland/PipeWriter.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace orvendi {
namespace {

// Like write(), but a reader that closed its end makes it fail with EPIPE
// instead of raising SIGPIPE, which would end the agent.
ssize_t writeWithoutPipeSignal(int fd, const char* data, size_t size) {
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t count = write(fd, data, size);
    const int error = errno;
    if (count < 0 && error == EPIPE) {
        const timespec now{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return count;
}

} // namespace

PipeWriter::PipeWriter(int fd, std::string text)
    : fd_(fd), text_(std::move(text)), writable_(fd, QSocketNotifier::Write) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    writable_.setEnabled(false);
    QObject::connect(&writable_, &QSocketNotifier::activated, [this] { writeSome(); });
    stalled_.setSingleShot(true);
    stalled_.setInterval(kStallBoundMs);
    QObject::connect(&stalled_, &QTimer::timeout, [this] { finish(); });
    writeSome();
}

PipeWriter::~PipeWriter() {
    finish();
}

void PipeWriter::writeSome() {
    while (written_ < text_.size()) {
        const ssize_t count =
            writeWithoutPipeSignal(fd_, text_.data() + written_, text_.size() - written_);
        if (count > 0) {
            written_ += size_t(count);
        } else if (errno == EAGAIN) {
            // The rest once the reader has taken some.
            writable_.setEnabled(true);
            stalled_.start();
            return;
        } else if (errno != EINTR) {
            break;
        }
    }
    finish();
}

// Closing the pipe tells the reader the text is complete.
void PipeWriter::finish() {
    if (fd_ < 0) {
        return;
    }
    writable_.setEnabled(false);
    stalled_.stop();
    close(fd_);
    fd_ = -1;
}

} // namespace orvendi
