#include "speech/RecognizerPool.h"

#include <algorithm>

#include "ServiceError.h"

namespace orvendi::server {

RecognizerPool::RecognizerPool(const Factory& make, size_t size, size_t queueLength)
    : queueLength_(queueLength) {
    for (size_t i = 0; i < std::max<size_t>(size, 1); ++i) {
        all_.push_back(make());
        idle_.push_back(all_.back().get());
    }
}

std::string RecognizerPool::recognize(const Bytes& pcm16kMono, const std::string& speaker) {
    SpeechRecognizer* recognizer = take();
    try {
        std::string text = recognizer->recognize(pcm16kMono, speaker);
        giveBack(recognizer);
        return text;
    } catch (...) {
        giveBack(recognizer);
        throw;
    }
}

std::string RecognizerPool::description() const {
    return all_.front()->description();
}

SpeechRecognizer* RecognizerPool::take() {
    std::unique_lock lock(mutex_);
    if (idle_.empty()) {
        if (waiting_ >= queueLength_) {
            throw ServiceError(503, "The server is busy recognising other dictations. Try again "
                                    "in a moment.");
        }
        ++waiting_;
        freed_.wait(lock, [this] { return !idle_.empty(); });
        --waiting_;
    }
    SpeechRecognizer* recognizer = idle_.back();
    idle_.pop_back();
    return recognizer;
}

void RecognizerPool::giveBack(SpeechRecognizer* recognizer) {
    {
        std::lock_guard lock(mutex_);
        idle_.push_back(recognizer);
    }
    freed_.notify_one();
}

} // namespace orvendi::server
