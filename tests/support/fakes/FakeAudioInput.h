#pragma once

#include <mutex>
#include <vector>

#include "base/Error.h"
#include "platform/AudioInput.h"

namespace orvendi::test {

// A microphone the test feeds with deliver(); start can be made to fail.
class FakeAudioInput : public AudioInput {
public:
    AudioFormat inputFormat() override { return format; }
    void installTap(uint32_t bufferFrames, AudioTap tap) override {
        std::lock_guard lock(mutex_);
        ++tapInstalls;
        tapBufferFrames = bufferFrames;
        tap_ = std::move(tap);
    }
    void removeTap() override {
        std::lock_guard lock(mutex_);
        tap_ = nullptr;
    }
    void start() override {
        if (!startError.empty()) {
            throw PlatformError(startError);
        }
        running = true;
    }
    void stop() override { running = false; }

    // Hands interleaved-by-channel planes to the tap, as the audio thread would.
    // False when no tap was there to take them.
    bool deliver(const std::vector<std::vector<float>>& planes) {
        std::lock_guard lock(mutex_);
        if (!tap_ || planes.empty()) {
            return false;
        }
        std::vector<const float*> pointers;
        for (const auto& plane : planes) {
            pointers.push_back(plane.data());
        }
        tap_(pointers.data(), static_cast<uint32_t>(planes.size()),
             static_cast<uint32_t>(planes[0].size()));
        return true;
    }
    bool hasTap() const {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(tap_);
    }

    AudioFormat format{48000, 2};
    std::string startError;
    bool running = false;
    int tapInstalls = 0;
    uint32_t tapBufferFrames = 0;

private:
    mutable std::mutex mutex_;
    AudioTap tap_;
};

} // namespace orvendi::test
