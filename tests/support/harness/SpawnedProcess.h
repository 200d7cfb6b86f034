#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvendi::test {

// How a test starts a program of the project in the background.
struct SpawnOptions {
    // The program's path first, then its arguments.
    std::vector<std::string> arguments;
    // "NAME=value" entries; absent: the test's own environment.
    std::optional<std::vector<std::string>> environment = std::nullopt;
    // Standard output and error go here (standard error to `errorFile` when given).
    std::filesystem::path logFile;
    bool appendToLog = false;
    // A process group of its own, so that signalling the group also reaches
    // the helper processes the program starts.
    bool ownProcessGroup = false;
    std::filesystem::path inputFile = "/dev/null";
    std::optional<std::filesystem::path> errorFile = std::nullopt;
};

// The strings as exec and posix_spawn take them, ending in a null pointer.
std::vector<char*> pointersTo(std::vector<std::string>& strings);

// Starts the program and returns its process id. Throws std::runtime_error
// when the log cannot be opened or the process cannot be made; a program that
// cannot be executed exits with status 127.
pid_t spawnProcess(SpawnOptions options);

// The exit status as a shell reports it: the code, or 128 + the signal.
int exitStatusOf(int waitStatus);

// Sends `signal` (0: none) and waits for the process to end; after `timeout`
// it is killed. Returns its exit status.
int endProcess(pid_t pid, int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace orvendi::test
