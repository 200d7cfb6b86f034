#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace orvendi::test {

// One TCP connection to a loopback port from a chosen loopback address (the
// whole 127/8 is this machine, so many "clients" can be had without leaving
// it), for bytes no HTTP library would send. Closed with the object.
class RawClient {
public:
    explicit RawClient(int port, const char* from = "127.0.0.1")
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, from, &local.sin_addr);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(static_cast<uint16_t>(port));
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    bool send(const std::string& data) {
        return ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(data.size());
    }
    bool readable(std::chrono::milliseconds wait) {
        pollfd entry{fd_, POLLIN, 0};
        return ::poll(&entry, 1, static_cast<int>(wait.count())) > 0;
    }
    // Sends `chunk` over and over (at most `limit` bytes) until the server answers.
    size_t sendUntilAnswered(const std::string& chunk, size_t limit) {
        size_t sent = 0;
        while (sent < limit && !readable(std::chrono::milliseconds(0)) && send(chunk)) {
            sent += chunk.size();
        }
        return sent;
    }
    // What arrives before the server closes the connection or `wait` passes:
    // until the text holds `enough` when given, else until a pause of 0.1 s.
    std::string readAll(std::chrono::milliseconds wait = std::chrono::seconds(10),
                        const std::string& enough = {}) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            if (!readable(std::chrono::milliseconds(100))) {
                if (enough.empty()) {
                    break;
                }
                continue;
            }
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(got));
            if (!enough.empty() && text.find(enough) != std::string::npos) {
                break;
            }
        }
        return text;
    }
    // The first line of the answer, without its line break.
    std::string statusLine() {
        const std::string answer = readAll(std::chrono::seconds(10), "\r\n");
        return answer.substr(0, answer.find("\r\n"));
    }
    // True once the server has closed its side.
    bool closedByServer(std::chrono::milliseconds wait) {
        char byte;
        return readable(wait) && ::recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0;
    }

private:
    int fd_;
    bool connected_ = false;
};

} // namespace orvendi::test
