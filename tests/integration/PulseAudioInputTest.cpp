#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sndfile.h>
#include <thread>

#include "base/Error.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/pulse/PulseMicrophoneProbe.h"
#include "support/harness/AudioSession.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

using test::AudioSession;
using namespace std::chrono_literals;

// Everything the tap was handed, kept per channel.
class CapturedAudio {
public:
    AudioTap tap() {
        return [this](const float* const* planes, uint32_t channels, uint32_t frames) {
            std::lock_guard lock(mutex_);
            samples_.resize(channels);
            for (uint32_t channel = 0; channel < channels; ++channel) {
                samples_[channel].insert(samples_[channel].end(), planes[channel],
                                         planes[channel] + frames);
            }
            bufferSizes_.push_back(frames);
            arrived_.notify_all();
        };
    }
    bool waitForFrames(size_t frames, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout,
                                 [&] { return !samples_.empty() && samples_[0].size() >= frames; });
    }
    std::vector<std::vector<float>> samples() const {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    size_t frames() const {
        std::lock_guard lock(mutex_);
        return samples_.empty() ? 0 : samples_[0].size();
    }
    std::vector<uint32_t> bufferSizes() const {
        std::lock_guard lock(mutex_);
        return bufferSizes_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::vector<float>> samples_;
    std::vector<uint32_t> bufferSizes_;
};

// A 16-bit WAV whose every sample is distinct and whose channels differ, so
// that order, channel assignment and scaling can all be checked sample by sample.
std::vector<int16_t> writePattern(const std::filesystem::path& file, int rate, int channels,
                                  int frames) {
    std::vector<int16_t> interleaved;
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            interleaved.push_back(
                static_cast<int16_t>((frame % 20000) * (channel == 0 ? 1 : -1) + 7));
        }
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    EXPECT_NE(out, nullptr);
    sf_writef_short(out, interleaved.data(), frames);
    sf_close(out);
    return interleaved;
}

// Where the first pattern sample (7) sits in the captured first channel.
std::optional<size_t> patternStart(const std::vector<float>& samples) {
    const float first = 7.0f / 32768.0f;
    const float second = 8.0f / 32768.0f;
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        if (samples[i] == first && samples[i + 1] == second) {
            return i;
        }
    }
    return std::nullopt;
}

TEST(PulseAudioInput, ReportsTheDefaultSourceFormatAndDeliversFullBuffers) {
    struct Case {
        unsigned rate;
        unsigned channels;
    };
    for (const Case& c : {Case{48000, 2}, Case{16000, 1}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels");
        AudioSession session({c.rate, c.channels, true});
        PulseAudioInput input;
        const AudioFormat format = input.inputFormat();
        EXPECT_EQ(format.sampleRate, c.rate);
        EXPECT_EQ(format.channels, c.channels);

        CapturedAudio captured;
        input.installTap(4096, captured.tap());
        input.start();
        EXPECT_TRUE(captured.waitForFrames(3 * 4096));
        input.stop();
        const auto sizes = captured.bufferSizes();
        ASSERT_GE(sizes.size(), 3u);
        for (size_t i = 0; i + 1 < sizes.size(); ++i) {
            EXPECT_EQ(sizes[i], 4096u);
        }
        EXPECT_EQ(captured.samples().size(), c.channels);
    }
}

TEST(PulseAudioInput, DeliversTheMicrophoneSamplesExactlyAsFloatPlanes) {
    test::TempDir folder;
    AudioSession session;
    const int frames = 48000;
    const auto pattern = writePattern(folder.path() / "pattern.wav", 48000, 2, frames);

    PulseAudioInput input;
    input.inputFormat();
    CapturedAudio captured;
    input.installTap(4096, captured.tap());
    input.start();
    session.play(folder.path() / "pattern.wav", /*fast=*/true);
    session.waitUntilPlayed();
    std::this_thread::sleep_for(300ms);
    input.removeTap();
    input.stop();

    const auto samples = captured.samples();
    ASSERT_EQ(samples.size(), 2u);
    const auto start = patternStart(samples[0]);
    ASSERT_TRUE(start.has_value());
    ASSERT_GE(samples[0].size(), *start + frames);
    size_t mismatches = 0;
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            const float expected = pattern[frame * 2 + channel] / 32768.0f;
            mismatches += samples[channel][*start + frame] != expected;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(PulseAudioInput, RunsInRealTimeAndHandsOverTheLastPartialBufferWhenTheTapIsRemoved) {
    AudioSession session;
    PulseAudioInput input;
    input.inputFormat();
    CapturedAudio captured;
    // A buffer far longer than the recording: whatever arrives, arrives through
    // removeTap() handing over the frames gathered so far.
    input.installTap(10 * 48000, captured.tap());
    const auto began = std::chrono::steady_clock::now();
    input.start();
    std::this_thread::sleep_for(1s);
    input.removeTap();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const auto framesAtRemoval = captured.frames();
    std::this_thread::sleep_for(200ms);
    input.stop();

    EXPECT_EQ(captured.frames(), framesAtRemoval) << "the tap ran after removeTap";
    EXPECT_EQ(captured.bufferSizes().size(), 1u);
    // As much as the stream ran, less what was still on its way through the
    // server when the tap was removed.
    const double expected = seconds * 48000;
    EXPECT_LE(double(framesAtRemoval), expected + 0.05 * 48000);
    EXPECT_GE(double(framesAtRemoval), expected - 0.3 * 48000);
}

// A second recording on the same input, one cut short by the server dying,
// one on the server that replaced it, and none once that one is gone too.
TEST(PulseAudioInput, RecordsAgainAfterStopAfterTheServerDiedAndOnTheServerThatReplacedIt) {
    PulseAudioInput input;
    CapturedAudio first, second;
    {
        AudioSession session;
        input.inputFormat();
        input.installTap(4096, first.tap());
        input.start();
        EXPECT_TRUE(first.waitForFrames(4096));
        input.stop();
        input.removeTap();

        input.installTap(1024, second.tap());
        input.start();
        EXPECT_TRUE(second.waitForFrames(2048));
        EXPECT_EQ(second.bufferSizes().front(), 1024u);
    } // the server dies while this recording runs
    input.removeTap();
    input.stop();
    {
        // The old connection is gone with the old server; a new one is found.
        AudioSession restarted({16000, 1, true});
        EXPECT_EQ(input.inputFormat().sampleRate, 16000);
        CapturedAudio third;
        input.installTap(4096, third.tap());
        input.start();
        EXPECT_TRUE(third.waitForFrames(4096));
        input.stop();
        input.removeTap();
    }
    EXPECT_THROW(input.start(), PlatformError) << "started on a server that is gone";
}

TEST(PulseAudioInput, FailsWithAReadableErrorWithoutAServerOrWithoutAnInput) {
    auto expectReadableFailure = [](const std::string& expectedReason) {
        PulseAudioInput input;
        for (const auto& operation : std::vector<std::function<void()>>{
                 [&] { input.inputFormat(); }, [&] { input.start(); }}) {
            try {
                operation();
                ADD_FAILURE() << "no error";
            } catch (const PlatformError& error) {
                EXPECT_NE(std::string(error.what()).find(expectedReason), std::string::npos)
                    << error.what();
            }
        }
    };
    {
        test::NoSoundServer none;
        expectReadableFailure("The microphone is unavailable: no sound server answered");
    }
    {
        AudioSession session({48000, 2, false});
        expectReadableFailure(
            "The microphone is unavailable: the sound server has no default input");
    }
}

TEST(PulseMicrophoneProbe, AuthorizedExactlyWhileAServerOffersADefaultInput) {
    test::NoSoundServer none;
    PulseMicrophoneProbe probe;
    auto expectAnswers = [&](MicrophoneAuthorization expected) {
        EXPECT_EQ(probe.authorization(), expected);
        int answers = 0;
        probe.request([&](bool granted) {
            ++answers;
            EXPECT_EQ(granted, expected == MicrophoneAuthorization::Authorized);
        });
        EXPECT_EQ(answers, 1);
    };
    expectAnswers(MicrophoneAuthorization::Denied);
    {
        SCOPED_TRACE("virtual microphone");
        AudioSession session;
        expectAnswers(MicrophoneAuthorization::Authorized);
    }
    expectAnswers(MicrophoneAuthorization::Denied);
    SCOPED_TRACE("server without input");
    AudioSession withoutInput({48000, 2, false});
    expectAnswers(MicrophoneAuthorization::Denied);
}

} // namespace
} // namespace orvendi
