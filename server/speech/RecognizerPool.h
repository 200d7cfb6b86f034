#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "speech/SpeechRecognizer.h"

namespace orvendi::server {

// Several recognisers of the same kind (each its own decoder, so that users'
// dictations are recognised side by side) behind one: a request takes the
// next free one, waits in a bounded queue when all are busy, and is refused
// with 503 when the queue is full rather than piling up without end.
class RecognizerPool : public SpeechRecognizer {
public:
    using Factory = std::function<std::unique_ptr<SpeechRecognizer>()>;

    // Makes `size` recognisers now; at most `queueLength` requests wait.
    RecognizerPool(const Factory& make, size_t size, size_t queueLength);

    std::string recognize(const Bytes& pcm16kMono, const std::string& speaker) override;
    std::string description() const override;

    size_t size() const { return all_.size(); }

private:
    SpeechRecognizer* take();
    void giveBack(SpeechRecognizer* recognizer);

    std::vector<std::unique_ptr<SpeechRecognizer>> all_;
    size_t queueLength_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<SpeechRecognizer*> idle_;
    size_t waiting_ = 0;
};

} // namespace orvendi::server
