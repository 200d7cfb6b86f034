#pragma once

#include "CommandLine.h"
#include "ExitStatus.h"

namespace orvendi {

// One of the tool's commands, given its parsed options and operands. Throws
// UsageError for options that parse but make no sense together; any other
// Error is reported as a failure.
class Command {
public:
    virtual ~Command() = default;
    virtual ExitStatus run(const ParsedCommand& command) = 0;
};

} // namespace orvendi
