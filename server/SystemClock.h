#pragma once

#include "Clock.h"

namespace orvendi::server {

class SystemClock : public Clock {
public:
    double now() const override;
};

} // namespace orvendi::server
