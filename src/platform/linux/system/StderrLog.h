#pragma once

#include <mutex>
#include <string>

#include "platform/Log.h"

namespace orvendi {

// One line per message on standard error: local time with milliseconds, the
// program name and process id, then the message (journald collects it).
class StderrLog : public Log {
public:
    explicit StderrLog(std::string programName);
    void write(const std::string& message) override;

private:
    std::string programName_;
    std::mutex mutex_;
};

} // namespace orvendi
