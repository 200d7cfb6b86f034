#include "auth/CodeDelivery.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "ServiceError.h"
#include "auth/RandomValues.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace {
constexpr const char* kSubject = "Your Orvendi sign-in code";
} // namespace

CodeDelivery::CodeDelivery(std::filesystem::path outboxDir, Log& log,
                           std::optional<SmtpSender> mail)
    : outboxDir_(std::move(outboxDir)), log_(log), mail_(std::move(mail)) {}

void CodeDelivery::deliver(const std::string& email, const std::string& code, int validMinutes) {
    const std::string body = "Your Orvendi sign-in code is " + code + ".\n\nIt expires in " +
                             std::to_string(validMinutes) +
                             " minutes. If you did not ask for it, you can ignore this message.\n";
    if (!mail_) {
        log_.write("Sign-in code for " + email + ": " + code);
        writeOutbox(email, "To: " + email + "\nSubject: " + kSubject + "\n\n" + body);
        return;
    }
    try {
        mail_->send(email, kSubject, body);
        log_.write("Sign-in code mailed to " + email);
    } catch (const Error& error) {
        log_.write("Sign-in mail to " + email + " failed: " + error.what());
        throw ServiceError(502, "Couldn’t send the sign-in e-mail. Try again later.");
    }
}

void CodeDelivery::withdraw(const std::string& email) {
    std::error_code ignored;
    std::filesystem::remove(outboxDir_ / (email + ".txt"), ignored);
}

void CodeDelivery::writeOutbox(const std::string& email, const std::string& message) {
    // Written beside its final name and renamed, so a reader never sees half a message.
    const std::filesystem::path target = outboxDir_ / (email + ".txt");
    const std::filesystem::path partial =
        outboxDir_ / ("." + email + "." + RandomValues::uuid() + ".partial");
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::write(fd, message.data(), message.size()) ==
                                  static_cast<ssize_t>(message.size());
    if (fd >= 0) {
        written = ::close(fd) == 0 && written;
    }
    if (!written || std::rename(partial.c_str(), target.c_str()) != 0) {
        log_.write("Cannot write the outbox file " + target.string() + ": " + std::strerror(errno));
    }
}

} // namespace orvendi::server
