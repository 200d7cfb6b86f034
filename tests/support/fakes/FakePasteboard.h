#pragma once

#include <mutex>

#include "platform/Pasteboard.h"

namespace orvendi::test {

class FakePasteboard : public Pasteboard {
public:
    void clearContents() override {
        std::lock_guard lock(mutex_);
        text_.reset();
    }
    void setString(const std::string& text) override {
        std::lock_guard lock(mutex_);
        text_ = text;
    }
    std::optional<std::string> string() const override {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void setPrimarySelection(const std::string&) override {}

private:
    mutable std::mutex mutex_;
    std::optional<std::string> text_;
};

} // namespace orvendi::test
