#pragma once

#include <mutex>
#include <string>

#include "platform/Log.h"

namespace orvendi::server {

// One line per message on standard error, stamped with UTC time and the
// process id. Safe to use from every request thread.
class ServerLog : public Log {
public:
    void write(const std::string& message) override;

private:
    std::mutex mutex_;
};

} // namespace orvendi::server
