#pragma once

#include <mutex>
#include <vector>

#include "platform/Log.h"

namespace orvendi::test {

// Keeps every log line for assertions.
class CapturingLog : public Log {
public:
    void write(const std::string& message) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(message);
    }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace orvendi::test
