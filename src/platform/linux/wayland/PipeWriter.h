#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <string>

namespace orvendi {

// Writes one text into a pipe from the event loop, as fast as the reader
// takes it: a slow reader (or one that waits for the agent itself) never
// stalls the agent, and a long text arrives whole. A reader that takes
// nothing for kStallBound, or goes away, gets no more. Main thread only.
class PipeWriter {
public:
    // Takes over `fd` and writes what the pipe takes at once.
    PipeWriter(int fd, std::string text);
    ~PipeWriter();
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

    // True once the text is written or the writing was given up.
    bool finished() const { return fd_ < 0; }

    static constexpr int kStallBoundMs = 3000;

private:
    void writeSome();
    void finish();

    int fd_;
    std::string text_;
    size_t written_ = 0;
    QSocketNotifier writable_;
    QTimer stalled_;
};

} // namespace orvendi
