#include "dictation/SegmentUploads.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "capture/WAV.h"
#include "platform/Scheduler.h"

namespace orvendi {
namespace {

constexpr int64_t kPCMBytesPerSecond = 32'000;
// Parts are parts of one utterance: one space between them, not the blank
// line that separates the chunks of an upload.
constexpr const char* kPartSeparator = " ";

void appendPart(std::string& joined, const std::string& part) {
    if (part.empty()) {
        return;
    }
    if (!joined.empty()) {
        joined += kPartSeparator;
    }
    joined += part;
}

} // namespace

struct SegmentUploads::State {
    Scheduler& scheduler;
    TranscriptionCalls calls;
    size_t maxInFlight;
    Progress progress;

    std::mutex mutex;
    std::condition_variable settled;
    std::deque<std::pair<size_t, Bytes>> waiting; // index, WAV
    std::vector<std::optional<TranscriptionReceipt>> answers;
    size_t inFlight = 0;
    size_t answered = 0;
    double answeredSeconds = 0;
    bool closed = false;
    bool failed = false;

    State(Scheduler& s, TranscriptionCalls c, size_t most, Progress p)
        : scheduler(s), calls(std::move(c)), maxInFlight(std::max<size_t>(1, most)),
          progress(std::move(p)) {}

    bool isSettled() const { return failed || (closed && answered == answers.size()); }
};

SegmentUploads::SegmentUploads(Scheduler& scheduler, TranscriptionCalls calls, size_t maxInFlight,
                               Progress progress)
    : state_(
          std::make_shared<State>(scheduler, std::move(calls), maxInFlight, std::move(progress))) {}

SegmentUploads::~SegmentUploads() {
    abandon();
}

void SegmentUploads::add(const Bytes& pcm) {
    auto wav = WAV::wrap(pcm);
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closed || state_->failed) {
            return;
        }
        if (!wav) {
            state_->failed = true;
            state_->settled.notify_all();
            return;
        }
        state_->waiting.emplace_back(state_->answers.size(), std::move(*wav));
        state_->answers.emplace_back();
    }
    startReady(state_);
}

void SegmentUploads::startReady(const std::shared_ptr<State>& state) {
    std::lock_guard lock(state->mutex);
    while (!state->failed && !state->waiting.empty() && state->inFlight < state->maxInFlight) {
        auto [index, wav] = std::move(state->waiting.front());
        state->waiting.pop_front();
        ++state->inFlight;
        state->scheduler.globalAsync(
            QueuePriority::UserInitiated, [state, index = index, wav = std::move(wav)] {
                const auto pcm = WAV::pcmData(wav);
                const int64_t bytes = pcm ? int64_t(pcm->size()) : 0;
                std::optional<TranscriptionReceipt> receipt;
                try {
                    receipt = state->calls.transcribe(
                        wav, std::max<int64_t>(1, bytes / kPCMBytesPerSecond), true);
                } catch (const std::exception&) {
                }
                Progress progress;
                size_t answered = 0;
                double seconds = 0;
                {
                    std::lock_guard answerLock(state->mutex);
                    --state->inFlight;
                    if (!receipt) {
                        state->failed = true;
                    } else if (!state->failed) {
                        state->answers[index] = std::move(receipt);
                        ++state->answered;
                        state->answeredSeconds += double(bytes) / kPCMBytesPerSecond;
                        progress = state->progress;
                        answered = state->answered;
                        seconds = state->answeredSeconds;
                    }
                    state->settled.notify_all();
                }
                if (progress) {
                    progress(answered, seconds);
                }
                startReady(state);
            });
    }
}

size_t SegmentUploads::count() const {
    std::lock_guard lock(state_->mutex);
    return state_->answers.size();
}

void SegmentUploads::close() {
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->settled.notify_all();
}

void SegmentUploads::finish(const Bytes& rest) {
    if (count() > 0) {
        const auto wav = WAV::wrap(rest);
        if (wav && WAV::hasPlausibleVoiceSignal(*wav)) {
            add(rest);
        }
    }
    close();
}

void SegmentUploads::abandon() {
    std::lock_guard lock(state_->mutex);
    state_->failed = true;
    state_->waiting.clear();
    state_->settled.notify_all();
}

std::optional<SegmentUploads::Joined> SegmentUploads::wait() {
    std::unique_lock lock(state_->mutex);
    state_->settled.wait(lock, [&] { return state_->isSettled(); });
    if (state_->failed || state_->answers.empty()) {
        return std::nullopt;
    }
    Joined joined;
    for (const auto& answer : state_->answers) {
        appendPart(joined.rawText, answer->rawText);
        appendPart(joined.cleanedText, answer->text);
    }
    return joined;
}

TranscriptionReceipt SegmentUploads::receiptFor(const Bytes& wav, int64_t durationSecs) {
    if (auto joined = wait()) {
        return state_->calls.finalize(joined->rawText, joined->cleanedText, durationSecs);
    }
    return state_->calls.transcribe(wav, durationSecs, false);
}

} // namespace orvendi
