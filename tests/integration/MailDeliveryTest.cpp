#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

// Just enough of an SMTP relay on loopback to accept mail and keep it.
class MailSink {
public:
    MailSink() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~MailSink() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    std::string url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
    std::string transcript() const {
        std::lock_guard lock(mutex_);
        return transcript_;
    }

private:
    void serve() {
        while (true) {
            const int connection = ::accept(listener_, nullptr, nullptr);
            if (connection < 0) {
                return;
            }
            converse(connection);
            ::close(connection);
        }
    }

    // Line by line, so that a client sending its message with the DATA
    // command in one write is served too.
    void converse(int connection) {
        auto say = [&](const std::string& line) {
            ::send(connection, line.data(), line.size(), MSG_NOSIGNAL);
        };
        say("220 sink ready\r\n");
        std::string pending;
        bool inData = false;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(connection, buffer, sizeof buffer, 0)) > 0;) {
            pending.append(buffer, static_cast<size_t>(n));
            {
                std::lock_guard lock(mutex_);
                transcript_.append(buffer, static_cast<size_t>(n));
            }
            for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (inData) {
                    if (line == ".") {
                        inData = false;
                        say("250 queued\r\n");
                    }
                } else if (line.rfind("EHLO", 0) == 0) {
                    say("250-sink\r\n250 8BITMIME\r\n");
                } else if (line == "DATA") {
                    inData = true;
                    say("354 go ahead\r\n");
                } else {
                    say(line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
                }
            }
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string transcript_;
};

class MailDeliveryTest : public ServerFixture {
protected:
    std::vector<std::string> serverArguments() const override {
        return {"--smtp", sink_->url(), "--smtp-from", "codes@orvendi.test"};
    }
    std::optional<MailSink> sink_{std::in_place};
};

TEST_F(MailDeliveryTest, CodesGoByMailOnlyAndTheUserHearsWhenMailFails) {
    ASSERT_EQ(postJson("/api/native-auth/request", {{"email", "mia@example.com"}})->status, 200);
    const std::string mail = sink_->transcript();
    EXPECT_NE(mail.find("MAIL FROM:<codes@orvendi.test>"), std::string::npos) << mail;
    EXPECT_NE(mail.find("RCPT TO:<mia@example.com>"), std::string::npos) << mail;
    EXPECT_NE(mail.find("Subject: Your Orvendi sign-in code"), std::string::npos) << mail;
    std::smatch code;
    ASSERT_TRUE(std::regex_search(mail, code, std::regex("sign-in code is (\\d{6})\\.")));
    EXPECT_EQ(server().log().find(code[1].str()), std::string::npos) << server().log();
    EXPECT_TRUE(std::filesystem::is_empty(dataDir() / "outbox"));
    const auto verified = postJson("/api/native-auth/verify",
                                   {{"email", "mia@example.com"}, {"code", code[1].str()}});
    EXPECT_EQ(verified->status, 200);

    sink_.reset(); // the relay is gone: nothing listens on its port
    const auto failed = postJson("/api/native-auth/request", {{"email", "ned@example.com"}});
    EXPECT_EQ(failed->status, 502);
    EXPECT_EQ(errorOf(failed), "Couldn\u2019t send the sign-in e-mail. Try again later.");
}

} // namespace
} // namespace orvendi::test
