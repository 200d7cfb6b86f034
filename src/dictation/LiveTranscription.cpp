#include "dictation/LiveTranscription.h"

#include "base/Error.h"
#include "capture/Recording.h"
#include "platform/Scheduler.h"

namespace orvendi {
namespace {

constexpr const char* kQueueLabel = "live-transcription";

} // namespace

LiveTranscription::LiveTranscription(Scheduler& scheduler, TranscriptionCalls calls,
                                     Prepared prepared, SegmentRules rules)
    : queue_(scheduler.serialQueue(kQueueLabel)),
      uploads_(scheduler, std::move(calls), SegmentUploads::kDefaultInFlight,
               [prepared = std::move(prepared)](size_t, double seconds) {
                   if (prepared) {
                       prepared(seconds);
                   }
               }),
      segmenter_(rules) {}

LiveTranscription::~LiveTranscription() = default;

void LiveTranscription::captureStarted(const AudioFormat& format) {
    queue_->async([self = shared_from_this(), format] {
        try {
            self->converter_.emplace(format.sampleRate, format.channels);
            self->converting_ = true;
        } catch (const Error&) {
            self->uploads_.abandon();
        }
    });
}

void LiveTranscription::captured(std::vector<float>&& interleaved, uint32_t frames) {
    queue_->async([self = shared_from_this(), samples = std::move(interleaved), frames] {
        self->convert(samples, frames);
    });
}

void LiveTranscription::convert(const std::vector<float>& interleaved, uint32_t frames) {
    if (!converting_) {
        return;
    }
    const size_t before = converted_.size();
    if (!converter_->feed(interleaved.data(), frames, converted_)) {
        // The recorder converts its spool file instead, and it goes up whole.
        converting_ = false;
        uploads_.abandon();
        return;
    }
    sendParts(segmenter_.push(converted_.data() + before, converted_.size() - before));
}

void LiveTranscription::sendParts(std::vector<Bytes> parts) {
    for (const auto& part : parts) {
        uploads_.add(part);
    }
}

void LiveTranscription::sendLastPart() {
    const size_t before = converted_.size();
    converter_->finish(converted_);
    sendParts(segmenter_.push(converted_.data() + before, converted_.size() - before));
    uploads_.finish(segmenter_.takeRest());
}

std::optional<Bytes> LiveTranscription::captureEnded() {
    std::optional<Bytes> whole;
    queue_->sync([&] {
        if (!converting_) {
            uploads_.close();
            return;
        }
        sendLastPart();
        converting_ = false;
        whole = std::move(converted_);
    });
    return whole;
}

void LiveTranscription::captureCancelled() {
    uploads_.abandon();
    queue_->async([self = shared_from_this()] {
        self->converting_ = false;
        self->converted_ = {};
    });
}

TranscriptionReceipt LiveTranscription::transcribe(const Recording& recording) {
    return uploads_.receiptFor(recording.wav, recording.durationSeconds);
}

} // namespace orvendi
