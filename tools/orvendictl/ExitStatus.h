#pragma once

namespace orvendi {

// The exit statuses scripts rely on.
enum class ExitStatus : int {
    Success = 0,
    // The error's description is on standard error.
    Failure = 1,
    Usage = 2,
    // Audio without a voice signal: nothing was sent.
    NoVoice = 3,
};

inline int exitCode(ExitStatus status) {
    return static_cast<int>(status);
}

} // namespace orvendi
