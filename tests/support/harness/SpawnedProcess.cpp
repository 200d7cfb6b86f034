#include "support/harness/SpawnedProcess.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orvendi::test {

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t spawnProcess(SpawnOptions options) {
    const auto argv = pointersTo(options.arguments);
    std::vector<char*> envp;
    if (options.environment) {
        envp = pointersTo(*options.environment);
    }
    char** const childEnvironment = options.environment ? envp.data() : environ;

    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls until exec.
    const int logFlags =
        O_WRONLY | O_CREAT | O_CLOEXEC | (options.appendToLog ? O_APPEND : O_TRUNC);
    const int logFd = ::open(options.logFile.c_str(), logFlags, 0600);
    const int inputFd = ::open(options.inputFile.c_str(), O_RDONLY | O_CLOEXEC);
    const int errorFd =
        options.errorFile ? ::open(options.errorFile->c_str(), logFlags, 0600) : logFd;
    const auto closeAll = [&] {
        for (const int fd : {logFd, inputFd, errorFd == logFd ? -1 : errorFd}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    };
    if (logFd < 0 || inputFd < 0 || errorFd < 0) {
        closeAll();
        throw std::runtime_error("cannot open the standard streams of " + options.arguments[0]);
    }
    sigset_t none;
    sigemptyset(&none);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (options.ownProcessGroup) {
            ::setpgid(0, 0);
        }
        ::dup2(inputFd, STDIN_FILENO);
        ::dup2(logFd, STDOUT_FILENO);
        ::dup2(errorFd, STDERR_FILENO);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(argv[0], argv.data(), childEnvironment);
        ::_exit(127);
    }
    closeAll();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (options.ownProcessGroup) {
        // Also here, so that the group exists before the child gets to exec.
        ::setpgid(pid, pid);
    }
    return pid;
}

int exitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    return WIFSIGNALED(waitStatus) ? 128 + WTERMSIG(waitStatus) : -1;
}

int endProcess(pid_t pid, int signal, std::chrono::milliseconds timeout) {
    constexpr auto kPollInterval = std::chrono::milliseconds(20);
    ::kill(pid, signal);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return exitStatusOf(status);
}

} // namespace orvendi::test
