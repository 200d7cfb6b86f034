#include "support/harness/ServerProcess.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/harness/SpawnedProcess.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

} // namespace

ServerProcess::ServerProcess(Options options) : options_(std::move(options)) {
    std::vector<std::string> arguments = {options_.binary.string(), "--listen", "127.0.0.1:0",
                                          "--data", options_.dataDir.string()};
    arguments.insert(arguments.end(), options_.arguments.begin(), options_.arguments.end());
    pid_ = spawnProcess({.arguments = std::move(arguments), .logFile = options_.logFile});
    try {
        waitUntilListening();
    } catch (...) {
        stop();
        throw;
    }
}

ServerProcess::~ServerProcess() {
    stop();
}

std::string ServerProcess::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string ServerProcess::log() const {
    return readFile(options_.logFile);
}

void ServerProcess::waitUntilListening() {
    static const std::regex kListening(R"(Listening on https?://127\.0\.0\.1:(\d+))");
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::smatch match;
        const std::string text = log();
        if (std::regex_search(text, match, kListening)) {
            port_ = std::stoi(match[1]);
            return;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exitStatus_ = exitStatusOf(status);
            pid_ = -1;
            throw std::runtime_error("orvendi-server ended with status " +
                                     std::to_string(exitStatus_) + ":\n" + log());
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    throw std::runtime_error("orvendi-server did not start listening:\n" + log());
}

std::optional<std::string> ServerProcess::signInCode(const std::string& address) const {
    static const std::regex kCode(R"(\b(\d{6})\b)");
    std::ifstream stream(options_.dataDir / "outbox" / (address + ".txt"));
    std::stringstream mail;
    mail << stream.rdbuf();
    const std::string text = mail.str();
    std::smatch match;
    if (!std::regex_search(text, match, kCode)) {
        return std::nullopt;
    }
    return match[1];
}

int ServerProcess::requestCount(const std::string& request, int status) const {
    const std::string line = "\"" + request + "\" " + std::to_string(status) + " ";
    const std::string text = log();
    int count = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
        ++count;
    }
    return count;
}

long ServerProcess::peakMemoryKiB() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

int ServerProcess::stop() {
    if (pid_ <= 0) {
        return exitStatus_;
    }
    exitStatus_ = endProcess(pid_, SIGTERM);
    pid_ = -1;
    return exitStatus_;
}

} // namespace orvendi::test
