#pragma once

#include <functional>

#include "Clock.h"
#include "ServiceError.h"

namespace orvendi::server {

// A wall clock the test moves by hand, from a fixed start.
class ManualClock : public Clock {
public:
    double now() const override { return now_; }
    void advance(double seconds) { now_ += seconds; }

private:
    double now_ = 1'700'000'000;
};

// The status a ServiceError thrown by `action` carries; 200 when none is thrown.
inline int statusOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ServiceError& error) {
        return error.status();
    }
    return 200;
}

} // namespace orvendi::server
