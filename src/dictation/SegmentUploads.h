#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Bytes.h"
#include "dictation/TranscriptionCalls.h"

namespace orvendi {

class Scheduler;

// Transcribes the parts of one recording in the background as they come, each
// as an ephemeral upload (nothing is saved at the service), started in order
// and at most a few at a time; their texts are joined in the order of the
// parts, whatever order the answers arrive in. Once every part has its text,
// the whole is saved as one dictation; if any part failed, the whole
// recording goes up the usual way instead, so a failure costs time, not text.
//
// add, close and abandon may be called from any thread; background tasks keep
// what they need alive, so the object may go while uploads are in flight.
class SegmentUploads {
public:
    // Told after each part's text arrives: parts and seconds of audio done.
    using Progress = std::function<void(size_t parts, double seconds)>;
    static constexpr size_t kDefaultInFlight = 2;

    SegmentUploads(Scheduler& scheduler, TranscriptionCalls calls,
                   size_t maxInFlight = kDefaultInFlight, Progress progress = nullptr);
    ~SegmentUploads();
    SegmentUploads(const SegmentUploads&) = delete;
    SegmentUploads& operator=(const SegmentUploads&) = delete;

    // Queues the next part (16 kHz mono 16-bit samples).
    void add(const Bytes& pcm);
    // How many parts were added.
    size_t count() const;
    // No more parts will come.
    void close();
    // Adds what followed the last cut and closes. It is sent only after
    // earlier parts (a recording never cut goes up whole) and only when it
    // holds a voice signal (silence after the last cut adds no text).
    void finish(const Bytes& rest);
    // Nothing more is sent; waiting ends with no text.
    void abandon();

    struct Joined {
        std::string rawText;
        std::string cleanedText;
    };
    // Blocks until closed and every part is answered: their texts joined with
    // single spaces, or absent when there were none, one failed, or the
    // uploads were abandoned. Call it on a background queue.
    std::optional<Joined> wait();

    // The text of the recording these parts came from (`wav`, the whole of
    // it): the joined parts saved as one dictation, or, when they cannot be
    // had, `wav` transcribed as a whole. Blocks; throws what the last call throws.
    TranscriptionReceipt receiptFor(const Bytes& wav, int64_t durationSecs);

private:
    struct State;
    static void startReady(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

} // namespace orvendi
