#include "support/harness/CapturedRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/harness/SpawnedProcess.h"

namespace orvendi::test {
namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
};

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

CapturedRun CapturedRun::of(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& input,
                            double timeoutSeconds) {
    CapturedRun run;
    Pipe in;
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    auto argumentStrings = arguments;
    auto environmentStrings = environment;
    const auto argv = pointersTo(argumentStrings);
    const auto envp = pointersTo(environmentStrings);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    closeFd(in.read);
    closeFd(out.write);
    closeFd(err.write);
    if (failed != 0) {
        closeFd(in.write);
        closeFd(out.read);
        closeFd(err.read);
        return run;
    }

    // A child that stops reading its input must not block us: write as it reads.
    std::signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (input.empty()) {
        closeFd(in.write);
    } else {
        ::fcntl(in.write, F_SETFL, O_NONBLOCK);
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int64_t>(timeoutSeconds * 1000));
    bool timedOut = false;
    while (out.read >= 0 || err.read >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd watched[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
        if (::poll(watched, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        if (watched[2].revents != 0) {
            const ssize_t count = ::write(in.write, input.data() + written, input.size() - written);
            written += count > 0 ? size_t(count) : 0;
            if (count < 0 || written == input.size()) {
                closeFd(in.write);
            }
        }
        for (auto [fd, text] : {std::pair{&out.read, &run.out}, std::pair{&err.read, &run.err}}) {
            const int index = fd == &out.read ? 0 : 1;
            if (watched[index].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t count = ::read(*fd, buffer, sizeof buffer);
            if (count > 0) {
                text->append(buffer, size_t(count));
            } else if (count == 0 || errno != EINTR) {
                closeFd(*fd);
            }
        }
    }
    closeFd(in.write);
    closeFd(out.read);
    closeFd(err.read);
    if (timedOut) {
        ::kill(pid, SIGKILL);
    }
    int waitStatus = 0;
    while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    run.status = timedOut ? -1 : exitStatusOf(waitStatus);
    return run;
}

} // namespace orvendi::test
