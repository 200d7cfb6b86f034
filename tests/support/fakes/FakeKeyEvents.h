#pragma once

#include "platform/KeyEvents.h"

namespace orvendi::test {

// A key monitor the test drives with send(); counts posted paste keystrokes.
class FakeKeyEvents : public KeyEvents {
public:
    bool startMonitor(std::function<void(KeyFlags, double)> onFlagsChanged) override {
        ++startCount;
        if (!allowMonitor) {
            return false;
        }
        callback_ = std::move(onFlagsChanged);
        return true;
    }
    bool postPasteKeystroke() override {
        ++pasteKeystrokes;
        return canPaste;
    }
    std::string dictationKeyName() const override { return keyName; }
    std::string monitorAdvice() const override { return advice; }

    // Delivers a flags change as the platform would (on the main thread), the
    // key stamped as moved `at`.
    void send(bool dictationKeyDown, bool controlDown, double at = 0) {
        if (callback_) {
            callback_({dictationKeyDown, controlDown}, at);
        }
    }
    // The key reported up because its source lost the release.
    void sendReleaseLost(double at = 0) {
        if (callback_) {
            KeyFlags flags;
            flags.releaseLost = true;
            callback_(flags, at);
        }
    }
    bool isMonitoring() const { return static_cast<bool>(callback_); }

    bool allowMonitor = true;
    int startCount = 0;
    int pasteKeystrokes = 0;
    bool canPaste = true;
    std::string keyName = "Right Ctrl";
    std::string advice;

private:
    std::function<void(KeyFlags, double)> callback_;
};

} // namespace orvendi::test
