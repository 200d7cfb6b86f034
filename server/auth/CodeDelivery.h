#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "auth/SmtpSender.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

// Hands a sign-in code to its owner: by mail when a relay is configured;
// otherwise (local use) on the log line and in the outbox file
// <outbox>/<address>.txt, replaced by each new code and withdrawn once the
// address has no usable code left.
class CodeDelivery {
public:
    CodeDelivery(std::filesystem::path outboxDir, Log& log, std::optional<SmtpSender> mail);

    // Throws ServiceError (502) when the relay fails.
    void deliver(const std::string& email, const std::string& code, int validMinutes);
    // Removes the address's outbox file, if there is one.
    void withdraw(const std::string& email);

private:
    void writeOutbox(const std::string& email, const std::string& message);

    std::filesystem::path outboxDir_;
    Log& log_;
    std::optional<SmtpSender> mail_;
};

} // namespace orvendi::server
