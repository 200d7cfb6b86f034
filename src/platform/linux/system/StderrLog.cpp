#include "platform/linux/system/StderrLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace orvendi {

StderrLog::StderrLog(std::string programName) : programName_(std::move(programName)) {}

void StderrLog::write(const std::string& message) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::lock_guard lock(mutex_);
    std::fprintf(stderr, "%s.%03d %s[%d] %s\n", stamp, static_cast<int>(millis),
                 programName_.c_str(), static_cast<int>(getpid()), message.c_str());
    std::fflush(stderr);
}

} // namespace orvendi
