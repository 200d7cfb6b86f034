#include <fcntl.h>
#include <sstream>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Terminal.h"
#include "UploadProgress.h"

namespace orvendi::test {
namespace {

// A pseudo-terminal, so that the tool believes a person is watching.
class PseudoTerminal {
public:
    PseudoTerminal() : fd_(posix_openpt(O_RDWR | O_NOCTTY)) {}
    ~PseudoTerminal() { ::close(fd_); }
    int fd() const { return fd_; }

private:
    int fd_;
};

TEST(UploadProgress, ShowsChunksOnATerminalAndClearsTheLineAfterwards) {
    PseudoTerminal terminalDevice;
    ASSERT_TRUE(isatty(terminalDevice.fd()));
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Terminal terminal(out, err, in, -1, terminalDevice.fd());
    {
        UploadProgress progress(terminal);
        const auto report = progress.callback();
        report(1, 2);
        report(2, 2);
    }
    EXPECT_EQ(err.str(), "\r\033[Kchunk 1/2\r\033[Kchunk 2/2\r\033[K");
    EXPECT_EQ(out.str(), "");
}

TEST(UploadProgress, StaysSilentWhenNobodyWatches) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Terminal terminal(out, err, in, -1, -1);
    {
        UploadProgress progress(terminal);
        progress.callback()(1, 3);
    }
    EXPECT_EQ(err.str(), "");
}

} // namespace
} // namespace orvendi::test
