#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/LogFormat.h"

namespace orvendi {

// The system log: one line per message, no levels.
class Log {
public:
    virtual ~Log() = default;
    virtual void write(const std::string& message) = 0;

    // Writes a printf-style format whose "%@" and "%d" take the arguments in
    // order, each as given ("Orvendi error: %@").
    void writeFormat(std::string_view format, std::initializer_list<std::string> arguments) {
        write(formatLogMessage(format, arguments));
    }
};

} // namespace orvendi
