#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/Bytes.h"
#include "platform/AudioInput.h"

namespace orvendi {

// Follows a recording while it runs (to transcribe it as the user speaks).
// The recorder tells it, in this order: the microphone's format (main thread,
// in start), every buffer once it is in the spool file (the recorder's queue;
// it must hand the work elsewhere and return at once), then either the end
// or the cancellation (main thread, after the last buffer was handed over).
class CaptureObserver {
public:
    virtual ~CaptureObserver() = default;
    virtual void captureStarted(const AudioFormat& format) = 0;
    // `interleaved` holds `frames` frames of the format's channels.
    virtual void captured(std::vector<float>&& interleaved, uint32_t frames) = 0;
    // The whole recording as 16 kHz mono 16-bit samples, when the observer
    // converted it as it arrived; absent sends the recorder to its spool file.
    virtual std::optional<Bytes> captureEnded() = 0;
    virtual void captureCancelled() = 0;
};

} // namespace orvendi
