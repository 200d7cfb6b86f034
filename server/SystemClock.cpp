#include "SystemClock.h"

#include <chrono>

namespace orvendi::server {

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

} // namespace orvendi::server
