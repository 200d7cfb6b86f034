#include "ServerLog.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "base/IsoTime.h"

namespace orvendi::server {

void ServerLog::write(const std::string& message) {
    using namespace std::chrono;
    const auto millis = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const std::string stamp = IsoTime::formatMillis(millis);
    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s orvendi-server[%d] %s\n", stamp.c_str(), static_cast<int>(getpid()),
                 message.c_str());
    std::fflush(stderr);
}

} // namespace orvendi::server
