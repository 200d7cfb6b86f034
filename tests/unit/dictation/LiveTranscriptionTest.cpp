#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "SpeechLikeAudio.h"
#include "capture/Recorder.h"
#include "capture/WAV.h"
#include "dictation/LiveTranscription.h"
#include "support/fakes/FakeAudioInput.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi {
namespace {

using test::VirtualScheduler;

// The backend as the dictation sees it: answers each part with a word, counts
// what it was asked, and can fail one part or hold every part until released.
class FakeBackend {
public:
    TranscriptionCalls calls() {
        return {[this](const Bytes& wav, int64_t seconds, bool ephemeral) {
                    return transcribe(wav, seconds, ephemeral);
                },
                [this](const std::string& raw, const std::string& cleaned, int64_t seconds) {
                    std::lock_guard lock(mutex);
                    finalized.push_back(cleaned);
                    finalizedSeconds = seconds;
                    return TranscriptionReceipt{cleaned, "note-1", raw};
                }};
    }

    TranscriptionReceipt transcribe(const Bytes& wav, int64_t seconds, bool ephemeral) {
        std::unique_lock lock(mutex);
        if (!ephemeral) {
            wholeUploads.push_back(wav);
            return {"the whole text", "note-2", "the whole text"};
        }
        const size_t part = partsAsked++;
        changed.notify_all();
        changed.wait(lock, [&] { return !holding; });
        if (failingPart && *failingPart == part) {
            throw std::runtime_error("HTTP 500");
        }
        const std::string text = answer ? answer(seconds, lock) : "word";
        return {text, std::nullopt, text};
    }

    void release() {
        std::lock_guard lock(mutex);
        holding = false;
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    size_t partsAsked = 0;
    std::optional<size_t> failingPart;
    bool holding = false;
    std::function<std::string(int64_t seconds, std::unique_lock<std::mutex>& lock)> answer;
    std::vector<Bytes> wholeUploads;
    std::vector<std::string> finalized;
    int64_t finalizedSeconds = 0;
};

class LiveTranscriptionTest : public testing::Test {
public:
    LiveTranscriptionTest() { input.format = {48000, 1}; }

    // Records `sentences` sentences with pauses (4.8 s each) through the real
    // recorder, fed in 0.1-second buffers as a microphone would.
    void speak(int sentences) {
        test::SpeechLikeAudio audio(input.format.sampleRate);
        for (int i = 0; i < sentences; ++i) {
            audio.sentence(6).silence(0.6);
        }
        const auto& samples = audio.samples();
        const size_t buffer = size_t(input.format.sampleRate / 10);
        for (size_t offset = 0; offset < samples.size(); offset += buffer) {
            const auto end = samples.begin() + long(std::min(samples.size(), offset + buffer));
            input.deliver({std::vector<float>(samples.begin() + long(offset), end)});
        }
        scheduler.advance(audio.seconds());
    }

    std::shared_ptr<LiveTranscription> startLive() {
        auto live = std::make_shared<LiveTranscription>(scheduler, backend.calls());
        recorder->start(live);
        return live;
    }

    FakeBackend backend; // outlives the scheduler's worker threads
    VirtualScheduler scheduler{VirtualScheduler::Background::Threads};
    test::FakeAudioInput input;
    test::FakeFiles files;
    std::unique_ptr<Recorder> recorder = std::make_unique<Recorder>(input, scheduler, files);
};

TEST_F(LiveTranscriptionTest, PartsGoUpWhileRecordingAndTheirTextIsSavedAsOneDictation) {
    auto live = startLive();
    speak(6); // 28.8 s: cut in the pauses after sentences 3 to 6; the rest is silence
    auto recording = recorder->stop();
    ASSERT_TRUE(recording);
    EXPECT_NEAR(double(WAV::pcmData(recording->wav)->size()) / 32000, 28.8, 0.05);

    const auto receipt = live->transcribe(*recording);
    EXPECT_EQ(backend.partsAsked, 4u);
    EXPECT_EQ(receipt.text, "word word word word");
    EXPECT_EQ(backend.finalized.size(), 1u);
    EXPECT_EQ(backend.finalizedSeconds, recording->durationSeconds);
    EXPECT_TRUE(backend.wholeUploads.empty());
}

TEST_F(LiveTranscriptionTest, AFailedPartSendsTheWholeRecordingOnceAndSavesNoJoinedText) {
    backend.failingPart = 1;
    auto live = startLive();
    speak(6);
    auto recording = recorder->stop();
    ASSERT_TRUE(recording);

    const auto receipt = live->transcribe(*recording);
    EXPECT_EQ(receipt.text, "the whole text");
    ASSERT_EQ(backend.wholeUploads.size(), 1u);
    EXPECT_TRUE(backend.wholeUploads[0] == recording->wav);
    EXPECT_TRUE(backend.finalized.empty());
}

TEST_F(LiveTranscriptionTest, ARecordingTooShortToCutGoesUpWhole) {
    auto live = startLive();
    speak(2);
    auto recording = recorder->stop();
    ASSERT_TRUE(recording);
    EXPECT_EQ(live->transcribe(*recording).text, "the whole text");
    EXPECT_EQ(backend.partsAsked, 0u);
}

TEST_F(LiveTranscriptionTest, QuittingWithPartsInFlightLeavesTheRecordingRecoverable) {
    backend.holding = true;
    auto live = startLive();
    speak(6);
    ASSERT_TRUE(scheduler.runUntil([&] {
        std::lock_guard lock(backend.mutex);
        return backend.partsAsked > 0;
    }));
    recorder.reset(); // the agent quits mid-recording
    EXPECT_FALSE(input.hasTap());
    EXPECT_FALSE(input.running);
    live.reset();
    backend.release();

    Recorder relaunched(input, scheduler, files);
    const auto pending = relaunched.pendingRecordings();
    ASSERT_EQ(pending.size(), 1u);
    const auto recovered = relaunched.recover(pending[0]);
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered->durationSeconds, 28);
    EXPECT_TRUE(backend.finalized.empty());
}

TEST(SegmentUploads, JoinsTextsInTheOrderOfThePartsWhateverOrderTheAnswersCome) {
    FakeBackend backend; // outlives the scheduler's worker threads
    VirtualScheduler scheduler{VirtualScheduler::Background::Threads};
    bool secondAnswered = false;
    // The first part is answered only after the second.
    backend.answer = [&](int64_t seconds, std::unique_lock<std::mutex>& lock) {
        if (seconds == 1) {
            backend.changed.wait(lock, [&] { return secondAnswered; });
        } else if (seconds == 2) {
            secondAnswered = true;
            backend.changed.notify_all();
        }
        return std::vector<std::string>{"", "one", "two", "three"}[size_t(seconds)];
    };
    SegmentUploads uploads(scheduler, backend.calls());
    for (int seconds = 1; seconds <= 3; ++seconds) {
        uploads.add(Bytes(size_t(seconds) * 32000, 1));
    }
    uploads.close();
    const auto receipt = uploads.receiptFor({}, 6);
    EXPECT_EQ(receipt.text, "one two three");
    EXPECT_EQ(backend.finalizedSeconds, 6);
}

} // namespace
} // namespace orvendi
