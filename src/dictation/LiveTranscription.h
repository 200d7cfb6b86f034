#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "capture/CaptureObserver.h"
#include "capture/SpeechSegmenter.h"
#include "capture/StreamingConverter.h"
#include "dictation/SegmentUploads.h"

namespace orvendi {

class Scheduler;
class SerialQueue;
struct Recording;

// Transcribes a recording while the user speaks. Each buffer the recorder has
// spooled is converted to 16 kHz on a serial queue of its own (so neither
// the recorder's queue nor the main thread waits for it) and segmented; each
// finished part goes up in the background. When the recording ends only its
// last part remains to be sent, and its converted audio is handed to the
// recorder, which then has nothing left to convert.
//
// A recording too short to be cut is transcribed whole, as is one whose
// parts did not all come through. Create it with std::make_shared.
class LiveTranscription : public CaptureObserver,
                          public std::enable_shared_from_this<LiveTranscription> {
public:
    // Told, on a background thread, how many seconds of speech already have text.
    using Prepared = std::function<void(double seconds)>;

    LiveTranscription(Scheduler& scheduler, TranscriptionCalls calls, Prepared prepared = nullptr,
                      SegmentRules rules = {});
    ~LiveTranscription() override;

    void captureStarted(const AudioFormat& format) override;
    void captured(std::vector<float>&& interleaved, uint32_t frames) override;
    std::optional<Bytes> captureEnded() override;
    void captureCancelled() override;

    // The text of the finished `recording`: its parts' texts saved as one
    // dictation, or the recording transcribed whole. Blocks; call it on a
    // background queue. Throws the backend's error.
    TranscriptionReceipt transcribe(const Recording& recording);

private:
    void convert(const std::vector<float>& interleaved, uint32_t frames);
    void sendParts(std::vector<Bytes> parts);
    void sendLastPart();

    std::shared_ptr<SerialQueue> queue_;
    SegmentUploads uploads_;
    // On queue_ only, after captureStarted.
    std::optional<StreamingConverter> converter_;
    SpeechSegmenter segmenter_;
    Bytes converted_;
    bool converting_ = false;
};

} // namespace orvendi
