#include "IsoTime.h"

#include <cmath>
#include <ctime>

namespace orvendi::IsoTime {

std::string format(double secondsSince1970) {
    const std::time_t seconds = static_cast<std::time_t>(std::floor(secondsSince1970));
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr) {
        return "?";
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string format(std::filesystem::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    return format(std::chrono::duration<double>(system.time_since_epoch()).count());
}

} // namespace orvendi::IsoTime
