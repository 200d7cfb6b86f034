#pragma once

#include "platform/Log.h"

namespace orvendi {

// A system log that keeps nothing. The tool's standard error belongs to its
// user and the scripts reading it; trouble worth knowing about (a keyring
// that does not answer, say) is told in the commands' own words instead.
class DiscardingLog : public Log {
public:
    void write(const std::string&) override {}
};

} // namespace orvendi
