#pragma once

#include <stdexcept>
#include <string>

namespace orvendi {

// Base of every error the agent raises. what() is the user-readable description.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& description) : std::runtime_error(description) {}
};

// A failure reported by an operating-system service (audio device, files, ...).
class PlatformError : public Error {
public:
    using Error::Error;
};

} // namespace orvendi
