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

// What two chunk reports leave on standard error when the terminal's error
// descriptor is `errorFd`; standard output stays empty.
std::string progressShown(int errorFd) {
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    Terminal terminal(out, err, in, -1, errorFd);
    {
        UploadProgress progress(terminal);
        const auto report = progress.callback();
        report(1, 2);
        report(2, 2);
    }
    EXPECT_EQ(out.str(), "");
    return err.str();
}

TEST(UploadProgress, ShowsChunksOnATerminalClearsTheLineAfterwardsAndIsSilentElsewhere) {
    PseudoTerminal terminalDevice;
    ASSERT_TRUE(isatty(terminalDevice.fd()));
    EXPECT_EQ(progressShown(terminalDevice.fd()), "\r\033[Kchunk 1/2\r\033[Kchunk 2/2\r\033[K");
    EXPECT_EQ(progressShown(-1), "") << "nobody watches";
}

} // namespace
} // namespace orvendi::test
