#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvendi::test {

// A real orvendi-server process for one test: it listens on a free loopback
// port, keeps its data in the given folder and writes its log to a file. The
// constructor returns once the server listens; the destructor stops it by
// process id.
class ServerProcess {
public:
    // An --asr address where no speech service answers (the discard port): the
    // server then starts without loading its offline recogniser.
    static constexpr const char* kNoSpeechService = "http://127.0.0.1:9";

    struct Options {
        std::filesystem::path binary;
        std::filesystem::path dataDir;
        std::filesystem::path logFile;
        // Added after "--listen 127.0.0.1:0 --data <dataDir>".
        std::vector<std::string> arguments;
    };

    // Throws std::runtime_error, with the server's log, when it does not come up.
    explicit ServerProcess(Options options);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    const std::filesystem::path& dataDir() const { return options_.dataDir; }
    // Everything the server has logged so far.
    std::string log() const;
    // The six-digit code of the latest sign-in mail to `address` (from the
    // data folder's outbox), if one was sent.
    std::optional<std::string> signInCode(const std::string& address) const;
    // How often the log shows `request` ("POST /api/transcribe") answered with `status`.
    int requestCount(const std::string& request, int status = 200) const;
    // The most memory the process has used so far (VmHWM), in KiB; -1 when unknown.
    long peakMemoryKiB() const;
    // SIGTERM, then SIGKILL if it has not ended after a few seconds. Returns
    // the exit status (or 128 + the signal that ended it). Idempotent.
    int stop();

private:
    void waitUntilListening();

    Options options_;
    pid_t pid_ = -1;
    int port_ = 0;
    int exitStatus_ = -1;
};

} // namespace orvendi::test
