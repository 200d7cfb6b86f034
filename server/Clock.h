#pragma once

namespace orvendi::server {

// The wall clock in seconds since 1970. Expiry rules read it through this
// interface so that tests can move time without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

} // namespace orvendi::server
